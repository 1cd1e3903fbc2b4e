#include "desktop/PageWindow.h"

#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>

namespace tarvex {

namespace {

constexpr auto pageWindowName = "pageWindow";

// Moves `window` so that it is centred over the window of `owner` and within the screen, as a
// dialog is.
void centreOver(QWidget* window, const QWidget* owner) {
    const QWidget* over = owner->window();
    const QRect screen = over->screen()->availableGeometry();
    QRect placed(QPoint(), window->frameGeometry().size().boundedTo(screen.size()));
    placed.moveCenter(over->frameGeometry().center());
    placed.moveLeft(std::clamp(placed.left(), screen.left(), screen.right() - placed.width() + 1));
    placed.moveTop(std::clamp(placed.top(), screen.top(), screen.bottom() - placed.height() + 1));
    window->move(placed.topLeft());
}

QTextBrowser* pageWindowOf(QWidget* owner) {
    if (owner != nullptr) {
        if (auto* shown = owner->findChild<QTextBrowser*>(QString::fromLatin1(pageWindowName),
                                                          Qt::FindDirectChildrenOnly))
            return shown;
    }
    auto* window = new QTextBrowser(owner);
    window->setObjectName(QString::fromLatin1(pageWindowName));
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setContextMenuPolicy(Qt::NoContextMenu);
    window->setOpenExternalLinks(true);
    if (owner != nullptr)
        window->setWindowIcon(owner->windowIcon());
    QObject::connect(window, &QTextBrowser::sourceChanged, window,
                     [window] { window->setWindowTitle(window->documentTitle()); });
    window->resize(820, 620);
    if (owner != nullptr)
        centreOver(window, owner);
    return window;
}

} // namespace

void showPageWindow(QWidget* owner, const QUrl& url) {
    QTextBrowser* window = pageWindowOf(owner);
    if (url.isLocalFile()) {
        window->setSource(url);
    } else {
        window->setPlainText(url.toString());
        window->setWindowTitle(url.toString());
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace tarvex
