#include "batch/ProcessSetup.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtText.h"
#include "desktop/WindowLook.h"
#include "texts/Catalogue.h"
#include "ui/EndOnSignals.h"
#include "ui/untAbout.h"
#include "ui/untMain.h"
#include "ui/untNote.h"
#include "viewer/ViewerChoice.h"
#include "viewer/ViewerLaunch.h"

#include <QApplication>
#include <QPointer>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The paths among the program's arguments, made full against the working folder.
std::vector<std::string> pathsOf(int argc, char* argv[], int from) {
    std::vector<std::string> paths;
    for (int i = from; i < argc; ++i) {
        std::error_code unknown;
        const std::filesystem::path full = std::filesystem::absolute(argv[i], unknown);
        paths.push_back(unknown ? std::string(argv[i]) : full.string());
    }
    return paths;
}

} // namespace

// tarvex [FILE...]: the window, with the FILEs chosen as a drop of them would choose them; on
//   Protected containers (*.tvx) the viewer opens too.
// tarvex CONTAINER.tvx: one container, as the desktop opens it: the viewer alone, showing its
//   picture, with the containers beside it to step through.
// tarvex --view [FILE|FOLDER...]: the viewer alone, on the containers given, or on those chosen in
//   its dialog.
int main(int argc, char* argv[]) {
    tarvex::EndOnSignals::holdBack();
    tarvex::keepMemoryPrivate();
    tarvex::keepLargeBuffersBetweenFiles();
    QApplication application(argc, argv);
    // Before anything that a signal would leave behind.
    const tarvex::EndOnSignals endOnSignals;
    const tarvex::QtSettingsForThisRun settings;
    tarvex::useClassicStyle();
    tarvex::setApplicationTitle(QString::fromUtf8(tarvex::provisionalTitle.data(),
                                                  qsizetype(tarvex::provisionalTitle.size())));
    tarvex::QtDialogs dialogs;

    const bool oneContainer =
        argc == 2 && tarvex::namedTvx(argv[1]) && std::filesystem::is_regular_file(argv[1]);
    if (oneContainer || (argc > 1 && std::string(argv[1]) == "--view")) {
        std::vector<std::string> paths = pathsOf(argc, argv, oneContainer ? 1 : 2);
        tarvex::setApplicationTitle(tarvex::qtText(tarvex::englishTable().applicationTitle));
        if (oneContainer)
            paths = tarvex::containersBeside(paths.front());
        else if (paths.empty())
            paths = tarvex::chooseForViewing(dialogs, nullptr, tarvex::englishTable());
        if (paths.empty())
            return 0;
        const QPointer<tarvex::ViewerWindow> viewer =
            tarvex::openViewer(paths, dialogs, true, nullptr);
        if (viewer == nullptr)
            return 1;
        if (oneContainer)
            viewer->showFile(pathsOf(argc, argv, 1).front());
        const int status = application.exec();
        // A viewer still open (the program ended on a signal) goes while what it works with is
        // there: its readers stop before the dialogs and the application go.
        delete viewer;
        return status;
    }

    tarvex::TfrmMain frmMain(dialogs);
    tarvex::TfrmNote frmNote(&frmMain);
    tarvex::TfrmAbout frmAbout(dialogs, &frmNote, &frmMain);

    frmMain.show();
    const std::vector<std::string> paths = pathsOf(argc, argv, 1);
    if (!paths.empty()) {
        frmMain.takeStartFiles(paths);
        if (tarvex::allNamedTvx(frmMain.selectedFiles()))
            tarvex::openViewer(frmMain.selectedFiles(), dialogs, frmMain.englishUi(), &frmMain);
    }
    return application.exec();
}
