#include "batch/ProcessSetup.h"
#include "ui/QtDialogs.h"
#include "ui/QtText.h"
#include "ui/WindowLook.h"
#include "ui/catalogue/Catalogue.h"
#include "ui/untAbout.h"
#include "ui/untMain.h"
#include "ui/untNote.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    tarvex::keepMemoryPrivate();
    tarvex::keepLargeBuffersBetweenFiles();
    QApplication application(argc, argv);
    const tarvex::QtSettingsForThisRun settings;
    tarvex::useClassicStyle();
    tarvex::setApplicationTitle(QString::fromUtf8(tarvex::provisionalTitle.data(),
                                                  qsizetype(tarvex::provisionalTitle.size())));

    tarvex::QtDialogs dialogs;
    tarvex::TfrmMain frmMain(dialogs);
    tarvex::TfrmNote frmNote(&frmMain);
    tarvex::TfrmAbout frmAbout(dialogs, &frmNote, &frmMain);

    frmMain.show();
    return application.exec();
}
