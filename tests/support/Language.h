#pragma once

#include "batch/SharedState.h"
#include "ui/catalogue/Catalogue.h"

namespace tarvex::testing {

// Applies a language to the texts that the runs read, as the window and the console do.
inline void applyLanguage(SharedState& state, bool english) {
    state.englishUi = english;
    state.catalogue = languageTable(english).run;
}

} // namespace tarvex::testing
