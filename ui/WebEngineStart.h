#pragma once

namespace tarvex {

// Settings the embedded web view needs before the QApplication exists. Chromium refuses to run
// its sandbox as root, so the sandbox is switched off for root only, never for other users.
void prepareWebEngine();

} // namespace tarvex
