#include "platform/PageWindow.h"

#include <QUrl>
#include <QWebEngineView>

namespace tarvex {

namespace {

constexpr auto pageWindowName = "pageWindow";

QWebEngineView* pageWindowOf(QWidget* owner) {
    if (owner != nullptr) {
        if (auto* shown = owner->findChild<QWebEngineView*>(QString::fromLatin1(pageWindowName),
                                                            Qt::FindDirectChildrenOnly))
            return shown;
    }
    auto* window = new QWebEngineView(owner);
    window->setObjectName(QString::fromLatin1(pageWindowName));
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setContextMenuPolicy(Qt::NoContextMenu);
    if (owner != nullptr)
        window->setWindowIcon(owner->windowIcon());
    window->resize(820, 620);
    QObject::connect(window, &QWebEngineView::titleChanged, window, &QWidget::setWindowTitle);
    return window;
}

} // namespace

void showPageWindow(QWidget* owner, const QUrl& url) {
    QWebEngineView* window = pageWindowOf(owner);
    window->setUrl(url);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace tarvex
