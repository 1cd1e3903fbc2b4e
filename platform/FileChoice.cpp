#include "platform/FileChoice.h"

#include <QDir>
#include <QFileInfo>

namespace tarvex {

namespace {

// The folder that holds `path`, its links and "." and ".." parts resolved. A link to a file
// counts as in the folder of the link, where the file's output goes.
QString folderOf(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
}

} // namespace

QStringList filesAmong(const QStringList& paths) {
    QStringList files;
    for (const QString& path : paths) {
        const QFileInfo entry(path);
        if (entry.exists() && !entry.isDir())
            files.append(path);
    }
    return files;
}

QString firstInAnotherFolder(const QStringList& paths) {
    const QString folder = paths.isEmpty() ? QString() : folderOf(paths.front());
    for (const QString& path : paths) {
        if (folderOf(path) != folder)
            return path;
    }
    return {};
}

QStringList filesIn(const QString& folder) {
    const QDir dir(folder);
    QStringList files;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        files.append(dir.filePath(name));
    return files;
}

} // namespace tarvex
