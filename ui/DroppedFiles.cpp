#include "ui/DroppedFiles.h"

#include "ui/QtText.h"

#include <QMimeData>
#include <QUrl>

namespace tarvex {

FileChoice droppedFiles(const QMimeData& data) {
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            return {};
        paths.push_back(pathBytes(url.toLocalFile()));
    }
    return droppedPaths(paths);
}

FileChoice droppedPaths(const std::vector<std::string>& paths) {
    FileChoice choice = chooseFiles(paths);
    if (!choice.files.empty())
        return choice;
    std::vector<std::string> inFolders;
    for (const std::string& folder : choice.leftOut) {
        std::vector<std::string> files = filesIn(folder);
        inFolders.insert(inFolders.end(), files.begin(), files.end());
    }
    return chooseFiles(inFolders);
}

} // namespace tarvex
