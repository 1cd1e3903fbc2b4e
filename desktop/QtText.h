#pragma once

#include "batch/Requests.h"

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

namespace tarvex {

// A text of the catalogue (UTF-8) as Qt's.
QString qtText(std::string_view text);

// A path of the file layer (bytes in the system's encoding) as text, and back.
QString pathText(const std::string& path);
std::string pathBytes(const QString& path);
// A name or path that is only shown, never opened: escaped as shownName (Wording.h) says, so that
// control characters and stray bytes are seen and do not act.
QString shownText(std::string_view name);
// A password or passphrase typed in a box, as the Secret of its UTF-8 bytes: the copies on the
// way are wiped, `typed` too.
Secret secretOf(QString typed);

// The Qt name filters of a filter text "label|patterns|label|patterns" whose patterns are
// separated by ";": one "label (pattern pattern)" per entry, with "*.*" as "*".
QStringList nameFiltersOf(std::string_view filter);

// The text of a message as a box shows it: a lone carriage return breaks the line.
QString messageText(std::string_view text);

// The application title: the caption of plain message boxes.
void setApplicationTitle(const QString& title);
QString applicationTitle();

// The folder of the program's executable, ending in a separator.
QString programFolder();

} // namespace tarvex
