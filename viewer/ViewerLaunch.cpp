#include "viewer/ViewerLaunch.h"

#include "batch/Viewing.h"
#include "desktop/QtText.h"
#include "texts/Catalogue.h"
#include "viewer/ViewerChoice.h"

namespace tarvex {

WrongTries& viewerTries() {
    static WrongTries tries;
    return tries;
}

ViewerSetup programViewerSetup(Dialogs& dialogs, bool english) {
    return {.dialogs = dialogs,
            .tries = viewerTries(),
            .fileSystems = ownFileSystem,
            .derive = {},
            .english = english};
}

std::vector<std::string> chooseForViewing(Dialogs& dialogs, QWidget* parent,
                                          const LanguageTable& texts) {
    const OpenFilesDialogOptions options{.nameFilters = nameFiltersOf(texts.viewDialogFilter),
                                         .filterIndex = 0,
                                         .initialFolder = {},
                                         .twoFolders = qtText(texts.dialogTwoFolders),
                                         .folderChoosable = true};
    std::vector<std::string> chosen;
    for (const QString& path : dialogs.openFiles(parent, options))
        chosen.push_back(pathBytes(path));
    return chosen;
}

ViewerWindow* openViewer(const std::vector<std::string>& paths, Dialogs& dialogs, bool english,
                         QWidget* parent) {
    std::vector<std::string> files = viewedFiles(paths);
    if (files.empty()) {
        dialogs.message(parent, applicationTitle(),
                        messageText(languageTable(english).viewerNothing));
        return nullptr;
    }
    auto* viewer = new ViewerWindow(std::move(files), programViewerSetup(dialogs, english), parent);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->show();
    return viewer;
}

} // namespace tarvex
