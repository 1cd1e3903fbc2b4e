#pragma once

class QUrl;
class QWidget;

namespace tarvex {

// Shows `url` in the program's own page window, for a desktop that has no browser to open it. The
// window belongs to `owner`, is made once and first shows centred over `owner`'s window; a later
// page replaces the one it shows. It shows the program's local pages in Qt's rich-text view, where
// a link to another local page is followed and a web link goes to the desktop; of a web address,
// which the view cannot load, it shows the address.
void showPageWindow(QWidget* owner, const QUrl& url);

} // namespace tarvex
