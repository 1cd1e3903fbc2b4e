#pragma once

#include <QStringList>

class QMimeData;

namespace tarvex {

// The files that a drop of `data` chooses, as Open would: the files dropped, the folders among
// them left out, or, when it holds only folders, the files directly in them. Empty when it
// chooses no file, files of more than one folder, or anything that is not a local path.
QStringList droppedFiles(const QMimeData& data);

} // namespace tarvex
