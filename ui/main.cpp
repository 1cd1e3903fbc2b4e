#include "BufferReuse.h"
#include "Catalogue.h"
#include "QtDialogs.h"
#include "QtPlatform.h"
#include "WebEngineStart.h"
#include "WindowLook.h"
#include "untAbout.h"
#include "untMain.h"
#include "untNote.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    tarvex::prepareWebEngine();
    tarvex::keepLargeBuffersBetweenFiles();
    QApplication application(argc, argv);
    const tarvex::QtSettingsForThisRun settings;
    tarvex::installQtTranslation(QLocale::system());
    tarvex::useClassicStyle();
    tarvex::setApplicationTitle(QString::fromUtf8(tarvex::provisionalTitle.data(),
                                                  qsizetype(tarvex::provisionalTitle.size())));

    tarvex::QtDialogs dialogs;
    tarvex::TfrmMain frmMain(dialogs);
    tarvex::TfrmNote frmNote(&frmMain);
    tarvex::TfrmAbout frmAbout(frmMain.platform(), &frmNote, &frmMain);

    frmMain.show();
    return application.exec();
}
