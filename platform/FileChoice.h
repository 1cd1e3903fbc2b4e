#pragma once

#include <QString>
#include <QStringList>

namespace tarvex {

// The rules that every way of choosing files (the open dialog, a drop) applies to its paths.

// The files among `paths`, in their order: when a choice names files, the folders in it are left
// out, as a choice of everything in a folder takes in its sub-folders too, the "encrypted" folder
// of an earlier run among them. Empty when `paths` names no existing file.
QStringList filesAmong(const QStringList& paths);

// The first of `paths` that lies in another folder than the first of them, or an empty text when
// they all lie in one: a run makes its output folder beside the first file only.
QString firstInAnotherFolder(const QStringList& paths);

// The files directly in `folder`, by name, without its sub-folders and hidden files.
QStringList filesIn(const QString& folder);

} // namespace tarvex
