#pragma once

#include "files/FileSystem.h"
#include "files/PosixFile.h"

#include <memory>

namespace tarvex {

// The file system of the machine, taking every step through `calls` (which must outlive it).
// localFileSystem() is this over systemCalls(); tests give calls that fail a chosen step.
std::unique_ptr<FileSystem> localFileSystemOver(PosixCalls& calls);

} // namespace tarvex
