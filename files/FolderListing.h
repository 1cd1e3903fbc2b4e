#pragma once

#include "files/FileSystem.h"
#include "files/PosixFile.h"

#include <system_error>
#include <vector>

namespace tarvex {

// Puts the entries of the folder open for reading as `folder` into `entries`, but "." and "..",
// in no particular order, each with its inode (its device is left 0 for the caller to fill in).
// The kind of an entry whose file system does not give it is looked up without following a link,
// with its whole identity; an entry gone meanwhile is left out. Gives the reason that the
// folder could not be read, or none.
std::error_code listOpenFolder(PosixCalls& calls, int folder, std::vector<FolderEntry>& entries);

} // namespace tarvex
