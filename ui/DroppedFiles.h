#pragma once

#include "batch/FileChoice.h"

class QMimeData;

namespace tarvex {

// What a drop of `data` chooses, as Open would: the files dropped, the folders among them left
// out, or, when it holds only folders, the files directly in them. No file when it names anything
// that is not a local path.
FileChoice droppedFiles(const QMimeData& data);
// What a drop of the files and folders `paths` chooses, as above.
FileChoice droppedPaths(const std::vector<std::string>& paths);

} // namespace tarvex
