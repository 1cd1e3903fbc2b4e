// Times an encrypt run in the real main window: the window starts as the program starts it, is
// shown and painted, rests, and Open chooses every file of FOLDER (by name); then the time from the
// click on Encrypt to the closing question (which is answered No) is printed in seconds.
// Usage: tarvex-window-run FOLDER PASSWORD [REST_SECONDS]
#include "batch/ProcessSetup.h"
#include "desktop/Dialogs.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtText.h"
#include "desktop/WindowLook.h"
#include "ui/untMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// Chooses the files of a folder and times the run up to its closing question.
class TimingDialogs final : public tarvex::Dialogs {
public:
    TimingDialogs(QStringList files, QElapsedTimer& clock)
        : files_(std::move(files)), clock_(clock) {}

    void message(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool question(QWidget*, const QString&) override {
        elapsed_ = clock_.nsecsElapsed();
        return false;
    }
    // The runs of the bench are of the Standard class, which asks for no password again.
    std::optional<QString> passwordAgain(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> passphrase(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    QStringList openFiles(QWidget*, const tarvex::OpenFilesDialogOptions&) override {
        return files_;
    }
    QString saveFile(QWidget*, const QString&, const QString&) override { return {}; }
    void openPage(QWidget*, const QUrl&) override {}
    void openFolder(const QUrl&, std::function<void()>) override {}
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }

    qint64 elapsed() const { return elapsed_; }

private:
    QStringList files_;
    QElapsedTimer& clock_;
    qint64 elapsed_ = -1;
};

QStringList filesOf(const char* folder) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file())
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    QStringList files;
    for (const std::string& path : paths)
        files.append(tarvex::pathText(path));
    return files;
}

// Lets the window's messages run for `seconds`, waiting for them.
void rest(double seconds) {
    QEventLoop resting;
    QTimer::singleShot(int(seconds * 1000), &resting, &QEventLoop::quit);
    resting.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER PASSWORD [REST_SECONDS]\n", argv[0]);
        return 2;
    }
    tarvex::keepLargeBuffersBetweenFiles();
    QApplication application(argc, argv);
    const tarvex::QtSettingsForThisRun settings;
    tarvex::useClassicStyle();

    QElapsedTimer clock;
    TimingDialogs dialogs(filesOf(argv[1]), clock);
    tarvex::TfrmMain window(dialogs);
    window.show();
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    rest(argc > 3 ? std::atof(argv[3]) : 1.5);

    window.findChild<QAbstractButton*>(QStringLiteral("btnopen"))->click();
    window.findChild<QLineEdit*>(QStringLiteral("edtEnpass"))
        ->setText(QString::fromLocal8Bit(argv[2]));
    clock.start();
    window.findChild<QAbstractButton*>(QStringLiteral("btnenc"))->click();
    // The run goes on a thread of its own; the window asks its closing question once it ends.
    while (window.runGoing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (dialogs.elapsed() < 0) {
        std::fprintf(stderr, "the run ended without its closing question\n");
        return 1;
    }
    std::fprintf(stderr, "progress label: %s\n",
                 qPrintable(window.findChild<QLabel*>(QStringLiteral("lbprogress"))->text()));
    std::printf("%.4f\n", double(dialogs.elapsed()) / 1e9);
    return 0;
}
