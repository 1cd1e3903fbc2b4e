#pragma once

#include "batch/RunReport.h"
#include "desktop/Dialogs.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

class QAbstractButton;
class QAction;
class QLabel;
class QProgressBar;

namespace tarvex {

struct LanguageTable;

enum class WindowHeight { Resting, Running };

// The controls of the main window that show a run.
struct WindowControls {
    QWidget* window = nullptr;
    QProgressBar* progressBar = nullptr;
    QLabel* progressLabel = nullptr;
    // Shown in the progress bar's place while a key is derived.
    QLabel* busyLabel = nullptr;
    QWidget* decryptButton = nullptr;
    // The one control that acts during a run; it has the focus meanwhile.
    QAbstractButton* cancelButton = nullptr;
    // Disabled while a run steps through its files (the Decrypt button is handled apart).
    std::vector<QWidget*> runWidgets;
    std::vector<QAction*> runActions;
    std::function<void(WindowHeight)> setWindowHeight;
};

// A run as the main window shows it, on the window's thread: the progress row, the controls off
// while the run goes, its questions and notices in boxes through `dialogs`. The run's thread
// reaches it through RunThread.
class WindowReport final {
public:
    WindowReport(WindowControls controls, Dialogs& dialogs);

    // The language of the questions and notices.
    void setTexts(const LanguageTable& texts) { texts_ = &texts; }

    void progress(const RunProgress& progress);
    bool ask(const RunQuestion& question);
    void notice(RunNotice notice);
    // In a masked box of its own, as in the window's first typing, with the estimate below its
    // request.
    std::optional<Secret> passwordAgain(double seconds);

    // A run begins: the controls that would start another or change what it reads are off
    // until it ends.
    void beginRun();
    // The run has ended: the controls are usable again.
    void endRun();
    // Decrypt stays disabled after `enabled` false, whatever the runs do.
    void setDecryptEnabled(bool enabled);
    void setProgress(int position, int maximum);
    void setWindowHeight(WindowHeight height) { controls_.setWindowHeight(height); }
    // A plain message box, or a question with Yes and No, over the window.
    void showMessage(std::string_view text);
    bool confirm(std::string_view text);

private:
    // While a run steps through its files, every control that would change what it reads is
    // disabled: Open (button and menu), Encrypt, Decrypt, the password entry and both option
    // groups. Cancel stays live.
    void setRunControlsEnabled(bool enabled);
    // The run has handled `done` of its `count` files.
    void showProgress(int done, int count);
    // The progress row shows that work is going on, until `busy` is false.
    void showBusy(bool busy);
    // The folder of a tree in hand, in the bar; none hides the bar's text.
    void showFolder(std::string_view folder);
    // Lets the progress row paint again: what it shows is to be seen now.
    void paintProgressRow();

    WindowControls controls_;
    Dialogs& dialogs_;
    const LanguageTable* texts_ = nullptr;
    bool running_ = false;  // the run has begun its files
    bool deriving_ = false; // a key derived before the run began: the probe of its first file
    bool decryptAllowed_ = true;
    bool runControlsEnabled_ = true;
    // The control that had the focus when a run disabled the controls; it gets it back after.
    QPointer<QWidget> focusBeforeRun_;
    QPointer<QWidget> waitingNotice_;
    // The count the progress label showed before a key was derived, and whether it is one of the
    // run in hand.
    QString countBeforeBusy_;
    bool countOfThisRun_ = false;
    QElapsedTimer progressPainted_; // since the progress row was last let paint
};

} // namespace tarvex
