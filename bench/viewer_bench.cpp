// Measures the picture viewer under a virtual display, for scripts/viewer-bench:
//   tarvex-viewer-bench prepare SOURCE COUNT CLASS FOLDER
//       COUNT copies of the picture SOURCE encrypted in CLASS (standard, high, protected at the
//       cost the program writes) with the passphrase "secret1" into FOLDER/containers.
//   tarvex-viewer-bench first FOLDER COUNT
//       Opens the viewer on FOLDER, as large as the screen, and prints when its key was derived
//       and how long the first COUNT thumbnails took after that (after the start without a key),
//       the processor time the process took meanwhile (both processors together), and the peak of
//       resident memory up to the key and after it.
//   tarvex-viewer-bench scroll FOLDER PIXELS
//       Opens the viewer on FOLDER, waits for its key and first thumbnails, then scrolls the
//       grid from top to bottom by PIXELS every 16 ms, and prints the time of one whole paint of
//       the grid, the times between two paints of it (the frames: median, 99th percentile,
//       longest, and how many took over 50 ms), and the peak of resident memory from the key on.
// Every mode prints one line of name=value pairs; the peak memory (VmHWM) is in KB.
#include "batch/Batch.h"
#include "batch/ProcessSetup.h"
#include "desktop/QtDialogs.h"
#include "desktop/WindowLook.h"
#include "files/LocalFileSystem.h"
#include "passwords/PassphraseKey.h"
#include "viewer/ViewerChoice.h"
#include "viewer/ViewerWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListView>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

// Answers every passphrase box with "secret1" and every question with Yes.
class BenchDialogs final : public Dialogs {
public:
    void message(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool question(QWidget*, const QString&) override { return true; }
    std::optional<QString> passwordAgain(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> passphrase(QWidget*, const QString&, const QString&) override {
        return QStringLiteral("secret1");
    }
    QStringList openFiles(QWidget*, const OpenFilesDialogOptions&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&) override { return {}; }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
    void openPage(QWidget*, const QUrl&) override {}
    void openFolder(const QUrl&, std::function<void()>) override {}
};

// The bench's own passphrase is weak, and taken all the same.
struct Quiet final : RunReport {
    void progress(const RunProgress&) override {}
    bool ask(const RunQuestion& question) override {
        return question.kind == RunQuestion::Kind::WeakPassphrase;
    }
    std::optional<Secret> passwordAgain(double) override { return Secret::copyOf("secret1"); }
    void leftOut(const LeftOutFile&) override {}
    void notice(RunNotice) override {}
    bool stopRequested() override { return false; }
};

long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field))
            return std::stol(line.substr(line.find(':') + 1));
    }
    return -1;
}

// The processor time that the process has used, in milliseconds.
double processorMs() {
    rusage used{};
    getrusage(RUSAGE_SELF, &used);
    const auto ms = [](const timeval& time) {
        return double(time.tv_sec) * 1e3 + double(time.tv_usec) / 1e3;
    };
    return ms(used.ru_utime) + ms(used.ru_stime);
}

// Starts the peak of resident memory afresh from what is resident now.
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

int prepare(const std::string& source, int count, const std::string& level,
            const std::string& folder) {
    const fs::path sources = fs::path(folder) / "sources";
    fs::create_directories(sources);
    std::vector<std::string> files;
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%06d.jpg", i);
        fs::copy_file(source, sources / name, fs::copy_options::overwrite_existing);
        files.push_back((sources / name).string());
    }
    ContainerClass chosen = ContainerClass::Standard;
    for (const ClassRow& row : containerClasses) {
        if (row.name == level)
            chosen = row.id;
    }
    Batch batch(localFileSystem());
    Quiet report;
    const RunResult result = batch.encrypt({.files = files,
                                            .password = "secret1",
                                            .containerClass = chosen,
                                            .outputFolderName = "containers"},
                                           report);
    fs::rename(sources / "containers", fs::path(folder) / "containers");
    fs::remove_all(sources);
    return result.done == count ? 0 : 1;
}

// A viewer of the containers in `folder`, shown as large as the screen, whose key derivations
// note when they end on `clock`.
struct Viewing {
    BenchDialogs dialogs;
    WrongTries tries;
    QElapsedTimer clock;
    std::atomic<qint64> keyAt{-1};
    std::atomic<long> derivationPeakKb{-1};
    std::atomic<double> processorAtKey{0};
    std::unique_ptr<ViewerWindow> viewer;

    explicit Viewing(const std::string& folder) {
        clock.start();
        const KeyDerivation derive = [this](std::string_view passphrase,
                                            const ProtectedParameters& parameters) {
            ProtectedKey key = keyOfPassphrase(passphrase, parameters);
            keyAt = clock.elapsed();
            processorAtKey = processorMs();
            // The derivation's memory is given back: what follows is the viewing's own.
            derivationPeakKb = statusKb("VmHWM");
            resetPeakMemory();
            return key;
        };
        viewer = std::make_unique<ViewerWindow>(
            containersIn(folder),
            ViewerSetup{dialogs, tries, [] { return localFileSystemOver(systemCalls()); }, derive,
                        true});
        viewer->resize(viewer->screen()->availableGeometry().size());
        viewer->show();
    }

    // Rows whose thumbnails have come.
    int thumbnails() const {
        const ContainerModel& model = viewer->model();
        int count = 0;
        for (int row = 0; row < model.rowCount(); ++row)
            count += model.hasThumbnail(row) ? 1 : 0;
        return count;
    }

    // Lets the window's messages run until `done`, asked every 5 ms, for `seconds` at most.
    static bool waitFor(const std::function<bool()>& done, int seconds) {
        QEventLoop waiting;
        QTimer asking;
        QObject::connect(&asking, &QTimer::timeout, &waiting, [&] {
            if (done())
                waiting.quit();
        });
        QTimer::singleShot(seconds * 1000, &waiting, &QEventLoop::quit);
        asking.start(5);
        if (!done())
            waiting.exec();
        return done();
    }
};

int first(const std::string& folder, int count) {
    Viewing viewing(folder);
    qint64 firstAt = -1;
    double processorAtFirst = 0;
    const bool came = Viewing::waitFor(
        [&] {
            if (viewing.thumbnails() >= count && firstAt < 0) {
                firstAt = viewing.clock.elapsed();
                processorAtFirst = processorMs();
            }
            return firstAt >= 0;
        },
        120);
    const qint64 from = std::max<qint64>(viewing.keyAt, 0);
    std::printf("key_ms=%lld first_ms=%lld first_cpu_ms=%.0f thumbnails=%d derivation_hwm_kb=%ld "
                "hwm_kb=%ld\n",
                static_cast<long long>(viewing.keyAt), static_cast<long long>(firstAt - from),
                processorAtFirst - viewing.processorAtKey, viewing.thumbnails(),
                viewing.derivationPeakKb.load(), statusKb("VmHWM"));
    return came ? 0 : 1;
}

// Times the paints of the grid while a timer scrolls it by `pixels` every 16 ms.
class ScrollTiming : public QObject {
public:
    explicit ScrollTiming(QListView& grid) { grid.viewport()->installEventFilter(this); }
    std::vector<double> intervals;

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            if (clock_.isValid())
                intervals.push_back(double(clock_.nsecsElapsed()) / 1e6);
            clock_.start();
        }
        return false;
    }

private:
    QElapsedTimer clock_;
};

int scroll(const std::string& folder, int pixels) {
    Viewing viewing(folder);
    auto* grid = viewing.viewer->findChild<QListView*>(QStringLiteral("grid"));
    // The key, and the first screen of thumbnails.
    Viewing::waitFor([&] { return viewing.thumbnails() >= 20; }, 120);
    // The window's first exposures are over.
    QElapsedTimer resting;
    resting.start();
    Viewing::waitFor([&] { return resting.elapsed() > 1000; }, 2);
    QElapsedTimer painting;
    painting.start();
    grid->viewport()->repaint();
    const double repaintMs = double(painting.nsecsElapsed()) / 1e6;
    resetPeakMemory();
    ScrollTiming timing(*grid);
    QScrollBar* bar = grid->verticalScrollBar();
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks, &QTimer::timeout, [&] { bar->setValue(bar->value() + pixels); });
    ticks.start(16);
    Viewing::waitFor([&] { return bar->value() >= bar->maximum(); }, 600);
    ticks.stop();
    std::vector<double> frames = timing.intervals;
    std::sort(frames.begin(), frames.end());
    const auto at = [&frames](double share) {
        return frames.empty() ? 0.0 : frames[std::size_t(share * double(frames.size() - 1))];
    };
    std::printf(
        "repaint_ms=%.1f frames=%zu median_ms=%.1f p99_ms=%.1f max_ms=%.1f over50=%ld rows=%d "
        "hwm_kb=%ld rss_kb=%ld\n",
        repaintMs, frames.size(), at(0.5), at(0.99), at(1.0),
        long(std::count_if(frames.begin(), frames.end(), [](double ms) { return ms > 50; })),
        viewing.viewer->model().rowCount(), statusKb("VmHWM"), statusKb("VmRSS"));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    keepLargeBuffersBetweenFiles();
    QApplication application(argc, argv);
    const QtSettingsForThisRun settings;
    useClassicStyle();
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "prepare" && argc == 6)
        return prepare(argv[2], std::stoi(argv[3]), argv[4], argv[5]);
    if (mode == "first" && argc == 4)
        return first(argv[2], std::stoi(argv[3]));
    if (mode == "scroll" && argc == 4)
        return scroll(argv[2], std::stoi(argv[3]));
    std::fprintf(stderr,
                 "usage: %s prepare SOURCE COUNT CLASS FOLDER | first FOLDER COUNT | "
                 "scroll FOLDER PIXELS\n",
                 argv[0]);
    return 2;
}
