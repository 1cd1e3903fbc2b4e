#pragma once

#include "batch/BatchRuns.h"
#include "batch/SharedState.h"
#include "platform/Dialogs.h"
#include "platform/QtPlatform.h"

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
// to them. The work itself is done by BatchRuns through the window's QtPlatform.
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
    ~TfrmMain() override;

    // Applies every text of a language: 1 English, any other value Chinese.
    void interfacelanguage(int language);

    const SharedState& sharedState() const { return state_; }
    Platform& platform() { return *platform_; }

public slots:
    void N2Click();
    void N5Click();
    void N7Click();
    void N10Click();
    void N8Click();
    void btnopenClick();
    void WebBrowser1DocumentComplete();
    void menClick();
    void mchClick();
    void btnencClick();
    void btndecClick();
    void edtEnpassChange();
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
    // The radio group and the sign follow the class chosen in the menu.
    void showClassChoice();
    void bindHandlers();
    void FormCreate();
    void FormClose();
    void setWindowHeight(WindowHeight height);
    void fitToFrame();
    // Lists the chosen files in the folder field's tooltip, headed by their count.
    void showSelection();
    void openSitePage(std::string_view page);
    // Runs a command of the window; an error it did not foresee is shown in a message box.
    // A close asked for while the command ran takes effect once it has ended.
    template <typename Command> void runCommand(Command&& command);

    QPushButton* btnenc = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu* N1 = nullptr;
    QAction* N2 = nullptr;
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
    QMenu* mlanguage = nullptr;
    QAction* men = nullptr;
    QAction* mch = nullptr;
    // The class menu, one item a class, and the sign of the class that protects.
    QMenu* mclass = nullptr;
    QActionGroup* classItems = nullptr;
    QLabel* protectedSign = nullptr;
    QButtonGroup* rgsuffixItems = nullptr;
    QButtonGroup* gbencClassItems = nullptr;
    // The controls in the order of the Tab key.
    QList<QWidget*> tabOrder_;

    SharedState state_;
    Dialogs& dialogs_;
    std::unique_ptr<QtPlatform> platform_;
    std::unique_ptr<BatchRuns> runs_;
    const LanguageTable* texts_ = nullptr; // the language applied last
    QSize fittedFrame_;                    // the frame's size when the window was last fitted
    bool framed_ = false;                  // centred with the frame of a window manager
};

} // namespace tarvex
