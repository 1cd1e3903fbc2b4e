#pragma once

#include "batch/FileLoop.h"
#include "files/FileSystem.h"
#include "ui/viewer/ViewerKeys.h"

#include <string>

namespace tarvex {

// The name under which to offer to save the source of the container `containerPath`: the name
// it records when it records one, else the container's own without ".tvx", as a decrypt run
// names what it restores.
std::string copyName(const std::string& containerPath, const std::string& recordedName);

// Restores the container `containerPath` into a new file `target`, which replaces any file of
// that name only once it is whole, with the rights that a decrypt run gives; the container itself
// is never replaced. The key of a Protected container comes from `keys`. Throws FileError.
FileOutcome saveCopy(const std::string& containerPath, const std::string& target, FileSystem& files,
                     const ViewerKeys& keys);

} // namespace tarvex
