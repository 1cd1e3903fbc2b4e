#include "ui/DroppedFiles.h"

#include "platform/FileChoice.h"

#include <QMimeData>
#include <QUrl>

namespace tarvex {

QStringList droppedFiles(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
    }
    QStringList files = filesAmong(paths);
    if (files.isEmpty()) {
        for (const QString& folder : paths)
            files.append(filesIn(folder));
    }
    if (!firstInAnotherFolder(files).isEmpty())
        return {};
    return files;
}

} // namespace tarvex
