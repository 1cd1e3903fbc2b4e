#pragma once

#include "batch/BatchRuns.h"
#include "support/Language.h"
#include "support/ScriptedPlatform.h"

#include <string>
#include <vector>

namespace tarvex::testing {

// Runs with the English texts and a valid password over the scripted platform and `files`.
struct Window {
    explicit Window(FileSystem& files) : runs(state, platform, files) {
        runs.FormCreate();
        applyLanguage(state, true);
        platform.password = "secret1";
    }
    void select(const std::vector<std::string>& paths) {
        platform.script.chooseNextFiles(paths);
        runs.btnopenClick();
    }

    SharedState state;
    ScriptedPlatform platform;
    BatchRuns runs;
};

} // namespace tarvex::testing
