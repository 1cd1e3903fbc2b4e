#pragma once

#include "files/FileSystem.h"
#include "files/PosixFile.h"

#include <string>

namespace tarvex {

// Moves the file `name` of the open folder `folder` (whose absolute path is `folderPath`) to the
// user's Trash as the desktop's file managers do, by the freedesktop Trash: the Trash of the home
// folder ($XDG_DATA_HOME/Trash) when it is on the file's device, else the folder ".Trash-UID" at
// the top of the file's device. Its ".trashinfo" is written and made durable first, then the file
// is renamed into the Trash, never replacing a file there; a process killed in between leaves the
// file in place. Nothing is moved, and false is given, when the file is no longer `version`
// (device, inode, size, time). Throws FileError (Create) when it cannot be moved.
bool moveFileToTrash(PosixCalls& calls, int folder, const std::string& folderPath,
                     const std::string& name, const FileVersion& version);

} // namespace tarvex
