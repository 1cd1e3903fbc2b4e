#pragma once

#include "batch/Batch.h"
#include "batch/FileChoice.h"
#include "desktop/Dialogs.h"
#include "texts/Wording.h"
#include "ui/RunThread.h"
#include "ui/WindowReport.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QActionGroup;
class QButtonGroup;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QMoveEvent;
class QProgressBar;
class QPushButton;
class QTextBrowser;

namespace tarvex {

struct LanguageTable;

// The main window: every control of the tool, the menu, the two heights and the handlers bound
// to them. A handler gathers the window's values and starts a run with them on a thread of its
// own (RunThread); the window shows what the run reports (through its WindowReport) and, once the
// run has ended, what it did. The window keeps what it must
// remember between clicks: the chosen files, the language, the count of wrong passwords.
class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    // The content area (below the menu bar) is this wide at most and this high at rest and
    // during a run: the progress row, tops 317 to 322 and bottoms up to 342, lies below the
    // resting height and inside the running one.
    static constexpr int outerWidth = 526;
    static constexpr int restingContentHeight = 316;
    static constexpr int runningContentHeight = 346;

    explicit TfrmMain(Dialogs& dialogs, QWidget* parent = nullptr);
    // Its runs go through `files` rather than the machine's file system.
    TfrmMain(Dialogs& dialogs, FileSystem& files, QWidget* parent = nullptr);
    // A run that still goes is stopped and waited for.
    ~TfrmMain() override;

    // Applies every text of a language: 1 English, any other value Chinese.
    void interfacelanguage(int language);

    const std::vector<std::string>& selectedFiles() const { return selectedFiles_; }
    const std::vector<std::string>& selectedTrees() const { return selectedTrees_; }
    // Chooses `paths`, the program's arguments, as a drop of them on the window would.
    void takeStartFiles(const std::vector<std::string>& paths);
    bool englishUi() const { return englishUi_; }
    // Whether a run goes, until the window has its outcome: what must not happen meanwhile (a
    // close, a drop, a change of language) asks this.
    bool runGoing() const { return run_->going(); }

public slots:
    void N2Click();
    void N5Click();
    void N7Click();
    void N10Click();
    void N8Click();
    void btnopenClick();
    // File > View...: the viewer of containers or a folder of them.
    void nviewClick();
    void WebBrowser1DocumentComplete();
    void menClick();
    void mchClick();
    void btnencClick();
    void btndecClick();
    void naboutClick();
    void ndonateClick();
    void btncancelClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Files dropped on the window become the selection, as with Open.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Tab and Shift+Tab walk the designed order of the controls, past those out of view.
    bool focusNextPrevChild(bool next) override;

private:
    void createControls();
    void createMenu();
    void createClassMenu();
    // The class chosen in the menu.
    ContainerClass classChoice() const;
    // The radio group and the sign follow the class chosen in the menu.
    void showClassChoice();
    void bindHandlers();
    void FormCreate();
    void FormClose();
    void setWindowHeight(WindowHeight height);
    // The open dialog; its files become the selection, unless there are none.
    void chooseFiles();
    void takeSelection(std::vector<std::string> chosen);
    // The folder dialog; the folder chosen stands for everything under it.
    void chooseFolder();
    // The folder of the selection, where the folder dialogs start.
    QString selectionFolder() const;
    void takeTrees(std::vector<std::string> folders);
    // Whether files or folders are chosen for a run; otherwise shows `nothingChosen` and opens
    // the dialog.
    bool somethingChosen(std::string_view nothingChosen);
    // Takes the files of a drop or of the program's arguments, or says why the rules refuse them.
    void takeChoice(const FileChoice& choice);
    // The password typed, in memory of its own.
    Secret passwordTyped() const;
    // Checks `password` against the rule of `level`, showing why it is rejected.
    bool getencsn(ContainerClass level, const Secret& password);
    // A run of the selection; its outputs go straight into `into` when it is given.
    void encryptSelection(const std::string& into = {});
    void decryptSelection(const std::string& into = {});
    // The folder chosen for a run's outputs in a dialog titled as `item`, then the run; nothing
    // chosen is chosen first, and Cancel of the dialog runs nothing.
    void runInto(const QAction* item, void (TfrmMain::*run)(const std::string&));
    // Starts `work`, a run of `command`, on the run's thread.
    void startRun(RunCommand command, RunThread::Work work);
    // The run has ended: its outcome is shown, and a close asked for meanwhile takes effect.
    void endRun(const RunOutcome& outcome, RunCommand command);
    // Shows what a run did, as `endWords` words it, and leaves the window as the run's end says.
    void showEnd(const RunResult& result, RunCommand command);
    void openOutputFolder(const std::string& folder);
    void fitToFrame();
    // Lists the chosen files in the folder field's tooltip, headed by their count.
    void showSelection();
    void openSitePage(std::string_view page);
    // Runs a command of the window; an error it did not foresee is shown in a message box.
    template <typename Command> void runCommand(Command&& command);

    QPushButton* btnenc = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* nview = nullptr;
    QAction* nopenfolder = nullptr;
    // "Encrypt to..." and "Restore to...": a run into a folder chosen for it.
    QAction* nencryptto = nullptr;
    QAction* nrestoreto = nullptr;
    QAction* N4 = nullptr;
    QAction* N5 = nullptr;
    QMenu* N6 = nullptr;
    QAction* N7 = nullptr;
    QAction* N8 = nullptr;
    QLineEdit* edtdir = nullptr;
    QLineEdit* edtEnpass = nullptr;
    QPushButton* btnopen = nullptr;
    QTextBrowser* WebBrowser1 = nullptr;
    QMenu* N11 = nullptr;
    QLabel* lbopen = nullptr;
    QLabel* lbpassword = nullptr;
    QPushButton* btndec = nullptr;
    QLabel* lbpassnote = nullptr;
    QGroupBox* rgsuffix = nullptr;
    QGroupBox* gbencClass = nullptr;
    QMenu* mdonate = nullptr;
    QAction* nabout = nullptr;
    QAction* ndonate = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* btncancel = nullptr;
    QLabel* lbprogress = nullptr;
    QLabel* lbbusy = nullptr;
    QMenu* mlanguage = nullptr;
    QAction* men = nullptr;
    QAction* mch = nullptr;
    // The class menu, one item a class, and the sign of the class that protects.
    QMenu* mclass = nullptr;
    QActionGroup* classItems = nullptr;
    // Names that say nothing for the containers of a class that records its pictures' names.
    QAction* mhidenames = nullptr;
    // Originals to the Trash once their containers are verified, for the same class.
    QAction* mremoveoriginals = nullptr;
    QLabel* protectedSign = nullptr;
    QButtonGroup* rgsuffixItems = nullptr;
    QButtonGroup* gbencClassItems = nullptr;
    // The controls in the order of the Tab key.
    QList<QWidget*> tabOrder_;

    Dialogs& dialogs_;
    std::unique_ptr<WindowReport> report_;
    Batch batch_;
    std::vector<std::string> selectedFiles_; // full paths, in the dialog's order
    // Or the folders chosen whole, each standing for everything under it.
    std::vector<std::string> selectedTrees_;
    bool englishUi_ = true;
    WrongTries wrongTries_;
    // The window was asked to close during a run: it closes once the run has ended.
    bool closeRequested_ = false;
    const LanguageTable* texts_ = nullptr; // the language applied last
    QSize fittedFrame_;                    // the frame's size when the window was last fitted
    bool framed_ = false;                  // centred with the frame of a window manager
    // Last, so that it goes first: its thread uses the report and the runs until it has ended.
    std::unique_ptr<RunThread> run_;
};

} // namespace tarvex
