#include "ui/DroppedFiles.h"

#include "desktop/QtText.h"

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
    return chooseFiles(paths);
}

} // namespace tarvex
