#pragma once

#include <string>

namespace tarvex {

// Whether a file manager can show a folder: there is a display to show it on (DISPLAY or
// WAYLAND_DISPLAY is set), and xdg-open, which starts the desktop's own, is on the PATH.
bool fileManagerAvailable();

// Starts "xdg-open `folder`" in a session of its own, its input and output on /dev/null, and
// does not wait for it: the desktop's file manager lives on after the program. A start that
// fails is not told, as the folder was named already.
void openInFileManager(const std::string& folder);

} // namespace tarvex
