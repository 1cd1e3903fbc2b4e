// Takes the screenshots of the main window for the documentation: the window in English, then in
// Chinese. Usage: tarvex-screenshots ENGLISH.png CHINESE.png
#include "desktop/QtDialogs.h"
#include "desktop/WindowLook.h"
#include "ui/untMain.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace {

bool save(tarvex::TfrmMain& window, const char* path) {
    // Lets the window paint before it is grabbed.
    QEventLoop paint;
    QTimer::singleShot(500, &paint, &QEventLoop::quit);
    paint.exec();
    if (window.grab().save(QString::fromLocal8Bit(path)))
        return true;
    std::fprintf(stderr, "cannot write %s\n", path);
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ENGLISH.png CHINESE.png\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    tarvex::useClassicStyle();
    tarvex::QtDialogs dialogs;
    tarvex::TfrmMain window(dialogs);
    window.show();
    if (!save(window, argv[1]))
        return 1;
    window.findChild<QAction*>(QStringLiteral("mch"))->trigger();
    return save(window, argv[2]) ? 0 : 1;
}
