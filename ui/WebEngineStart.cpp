#include "ui/WebEngineStart.h"

#include <QCoreApplication>
#include <unistd.h>

namespace tarvex {

void prepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

} // namespace tarvex
