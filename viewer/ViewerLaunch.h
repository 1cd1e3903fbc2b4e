#pragma once

#include "batch/Viewing.h"
#include "desktop/Dialogs.h"
#include "viewer/ViewerWindow.h"

#include <string>
#include <vector>

class QWidget;

namespace tarvex {

struct LanguageTable;

// The count of wrong passphrases typed in the program's viewers, for the life of the process.
WrongTries& viewerTries();

// What the program's viewers work with: the machine's file system, a new one for each thread
// that reads; the key derivation of the Protected class; the process's count of wrong passphrases.
ViewerSetup programViewerSetup(Dialogs& dialogs, bool english);

// Asks with the View dialog for containers or a folder of them; empty after Cancel.
std::vector<std::string> chooseForViewing(Dialogs& dialogs, QWidget* parent,
                                          const LanguageTable& texts);

// Shows a viewer of `paths` (files, and folders that stand for the containers in them) above
// `parent`, which goes when it is closed; or says that there is nothing to view, and gives null.
ViewerWindow* openViewer(const std::vector<std::string>& paths, Dialogs& dialogs, bool english,
                         QWidget* parent);

} // namespace tarvex
