#pragma once

#include "batch/FileChoice.h"

class QMimeData;

namespace tarvex {

// What a drop of `data` chooses, as Open would: the files dropped, the folders among them left
// out (a drop of folders alone stands for everything under them). Nothing when it names anything
// that is not a local path.
FileChoice droppedFiles(const QMimeData& data);

} // namespace tarvex
