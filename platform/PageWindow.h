#pragma once

class QUrl;
class QWidget;

namespace tarvex {

// Shows `url` in the program's own page window, for a desktop that has no browser to open it. The
// window belongs to `owner` and is made once: a later page replaces the one it shows. It offers
// no browser menu, as its pages are only read.
void showPageWindow(QWidget* owner, const QUrl& url);

} // namespace tarvex
