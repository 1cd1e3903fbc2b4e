#include "ui/untMain.h"

#include "batch/Paths.h"
#include "desktop/PasswordMaskStyle.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtText.h"
#include "desktop/WindowLook.h"
#include "texts/Catalogue.h"
#include "texts/Wording.h"
#include "ui/DroppedFiles.h"
#include "ui/Links.h"
#include "ui/untAbout.h"
#include "ui/untNote.h"
#include "viewer/ViewerLaunch.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
#include <algorithm>
#include <exception>

namespace tarvex {

namespace {

QString text(std::string_view value) {
    return qtText(value);
}

// The classes of the designed radio group's items, in their order.
constexpr std::array<ContainerClass, 2> designedItems{ContainerClass::Standard,
                                                      ContainerClass::HighLevel};

// A radio group of two items in two columns; the items carry the ids 0 and 1.
QGroupBox* radioGroup(QWidget* parent, const QString& name, const QRect& geometry,
                      QButtonGroup*& items) {
    auto* box = new QGroupBox(parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    items = new QButtonGroup(box);
    items->setObjectName(name + QStringLiteral("Items"));
    const int columnWidth = (geometry.width() - 16) / 2;
    for (int id = 0; id < 2; ++id) {
        auto* item = new QRadioButton(box);
        item->setObjectName(name + QStringLiteral("Item%1").arg(id));
        item->setGeometry(8 + id * columnWidth, 17, columnWidth, 17);
        items->addButton(item, id);
    }
    items->button(0)->setChecked(true);
    return box;
}

QLabel* label(QWidget* parent, const char* name, const QRect& geometry) {
    auto* control = new QLabel(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    return control;
}

// A push button that Enter presses while it has the focus, as Space does. Qt lets Enter press
// only a dialog's default buttons, and drawing the window's buttons as such would change them.
class PushButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

QPushButton* button(QWidget* parent, const char* name, const QRect& geometry) {
    auto* control = new PushButton(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    control->setAutoDefault(false);
    return control;
}

// A field that lets dropped files through to the window instead of taking their names as text.
QLineEdit* edit(QWidget* parent, const char* name, const QRect& geometry) {
    auto* control = new QLineEdit(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    control->setAcceptDrops(false);
    return control;
}

// The widget that the Tab key focuses for `control`, or null when it takes no stop now: it is
// disabled, out of view, or takes no focus. A radio group is entered at its chosen item.
QWidget* tabStop(QWidget* control) {
    const bool inView = control->parentWidget()->rect().intersects(control->geometry());
    if (!control->isVisible() || !control->isEnabled() || !inView)
        return nullptr;
    if (qobject_cast<QGroupBox*>(control) != nullptr) {
        // Qt moves the Tab stop of a group to the item focused last, whether chosen or not.
        const auto items = control->findChildren<QRadioButton*>();
        const auto chosen =
            std::find_if(items.begin(), items.end(), [](auto* item) { return item->isChecked(); });
        return chosen != items.end() ? *chosen : nullptr;
    }
    const QWidget* focused = control->focusProxy() != nullptr ? control->focusProxy() : control;
    return focused->focusPolicy() & Qt::TabFocus ? control : nullptr;
}

} // namespace

TfrmMain::TfrmMain(Dialogs& dialogs, QWidget* parent)
    : TfrmMain(dialogs, localFileSystem(), parent) {}

TfrmMain::TfrmMain(Dialogs& dialogs, FileSystem& files, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      dialogs_(dialogs), batch_(files) {
    setObjectName(QStringLiteral("frmMain"));
    setFont(windowFont());
    setAcceptDrops(true);
    setWindowIcon(QIcon(QStringLiteral(":/tarvex/tarvex.png")));
    createControls();
    createMenu();

    WindowControls controls{
        .window = this,
        .progressBar = ProgressBar1,
        .progressLabel = lbprogress,
        .busyLabel = lbbusy,
        .decryptButton = btndec,
        .cancelButton = btncancel,
        // The class group's items rather than the group, which is greyed while its menu has
        // chosen the class it has no item for.
        // The option groups' items rather than the groups, which are greyed while the menu has
        // chosen a class they do not apply to.
        .runWidgets = {btnopen, btnenc, edtEnpass, rgsuffixItems->button(0),
                       rgsuffixItems->button(1), gbencClassItems->button(0),
                       gbencClassItems->button(1)},
        .runActions = {N2, nopenfolder, nencryptto, nrestoreto, men, mch, mclass->menuAction()},
        .setWindowHeight = [this](WindowHeight height) { setWindowHeight(height); },
    };
    report_ = std::make_unique<WindowReport>(std::move(controls), dialogs_);
    run_ = std::make_unique<RunThread>(*report_);
    bindHandlers();

    FormCreate();
    fitToFrame();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::createControls() {
    auto* content = new QWidget(this);
    content->setObjectName(QStringLiteral("content"));
    setCentralWidget(content);

    lbopen = label(content, "lbopen", {8, 252, 73, 13});
    lbpassword = label(content, "lbpassword", {8, 284, 73, 13});
    lbpassnote = label(content, "lbpassnote", {168, 285, 217, 17});
    lbprogress = label(content, "lbprogress", {376, 322, 73, 13});
    lbprogress->setAlignment(Qt::AlignCenter);
    // Of a fixed size, a new count asks the window for no new layout: a run sets one per file.
    lbprogress->setFixedSize(lbprogress->size());
    btnenc = button(content, "btnenc", {387, 280, 60, 25});

    WebBrowser1 = new QTextBrowser(content);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(8, 5, 500, 140);
    // The banner is a picture of the site, not a browser: its links open in the desktop's browser,
    // it offers no menu, and a file dropped on it is chosen, not shown in it.
    WebBrowser1->setOpenLinks(false);
    WebBrowser1->setContextMenuPolicy(Qt::NoContextMenu);
    WebBrowser1->setAcceptDrops(false);
    WebBrowser1->viewport()->setAcceptDrops(false);

    edtdir = edit(content, "edtdir", {80, 248, 353, 21});
    edtdir->setReadOnly(true);
    edtEnpass = edit(content, "edtEnpass", {80, 280, 81, 21});

    edtEnpass->setEchoMode(QLineEdit::Password);
    edtEnpass->setStyle(new PasswordMaskStyle(edtEnpass));
    btnopen = button(content, "btnopen", {447, 248, 60, 25});
    btndec = button(content, "btndec", {447, 280, 60, 25});
    rgsuffix = radioGroup(content, QStringLiteral("rgsuffix"), {8, 152, 500, 41}, rgsuffixItems);
    gbencClass =
        radioGroup(content, QStringLiteral("gbencClass"), {8, 200, 500, 41}, gbencClassItems);

    ProgressBar1 = new QProgressBar(content);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 320, 361, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    // In the progress bar's place while a key is derived, saying so.
    lbbusy = label(content, "lbbusy", ProgressBar1->geometry());
    lbbusy->hide();
    btncancel = button(content, "btncancel", {448, 317, 60, 25});

    tabOrder_ = {btnopen,     edtEnpass, btnenc,     btndec,       edtdir,
                 WebBrowser1, rgsuffix,  gbencClass, ProgressBar1, btncancel};
    btnopen->setFocus();
}

void TfrmMain::createMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    const auto menu = [this](const char* name) {
        QMenu* created = MainMenu1->addMenu(QString());
        created->setObjectName(QString::fromLatin1(name));
        created->menuAction()->setObjectName(QString::fromLatin1(name));
        return created;
    };
    const auto item = [](QMenu* parent, const char* name) {
        QAction* created = parent->addAction(QString());
        created->setObjectName(QString::fromLatin1(name));
        return created;
    };
    N1 = menu("N1");
    N2 = item(N1, "N2");
    nopenfolder = item(N1, "nopenfolder");
    nview = item(N1, "nview");
    nencryptto = item(N1, "nencryptto");
    nrestoreto = item(N1, "nrestoreto");
    N4 = N1->addSeparator();
    N4->setObjectName(QStringLiteral("N4"));
    N5 = item(N1, "N5");
    N6 = menu("N6");
    N7 = item(N6, "N7");
    N8 = item(N6, "N8");
    N11 = menu("N11");
    nabout = item(N11, "nabout");
    mdonate = menu("mdonate");
    ndonate = item(mdonate, "ndonate");
    mlanguage = menu("mlanguage");
    men = item(mlanguage, "men");
    mch = item(mlanguage, "mch");
    men->setText(text(languageEnglish));
    mch->setText(text(languageChinese));
    // The two items show which language is current.
    auto* languages = new QActionGroup(mlanguage);
    languages->setObjectName(QStringLiteral("languages"));
    for (QAction* language : {men, mch}) {
        language->setCheckable(true);
        languages->addAction(language);
    }
    createClassMenu();
}

void TfrmMain::createClassMenu() {
    mclass = MainMenu1->addMenu(QString());
    mclass->setObjectName(QStringLiteral("mclass"));
    mclass->menuAction()->setObjectName(QStringLiteral("mclass"));
    classItems = new QActionGroup(mclass);
    classItems->setObjectName(QStringLiteral("classItems"));
    for (const ClassRow& row : containerClasses) {
        QAction* choice = mclass->addAction(QString());
        choice->setObjectName(QStringLiteral("mclass_") + text(row.name));
        choice->setCheckable(true);
        choice->setData(static_cast<int>(row.id));
        classItems->addAction(choice);
    }
    // Every start begins on the first class, as the radio group does.
    classItems->actions().front()->setChecked(true);
    mclass->addSeparator();
    mhidenames = mclass->addAction(QString());
    mhidenames->setObjectName(QStringLiteral("mhidenames"));
    mhidenames->setCheckable(true);
    // Off at every start: an original goes only when the user says so for this start.
    mremoveoriginals = mclass->addAction(QString());
    mremoveoriginals->setObjectName(QStringLiteral("mremoveoriginals"));
    mremoveoriginals->setCheckable(true);
    protectedSign = new QLabel(MainMenu1);
    protectedSign->setObjectName(QStringLiteral("protectedSign"));
    protectedSign->setContentsMargins(0, 0, 6, 0);
    MainMenu1->setCornerWidget(protectedSign, Qt::TopRightCorner);
    protectedSign->hide();
}

ContainerClass TfrmMain::classChoice() const {
    const QAction* chosen = classItems->checkedAction();
    return chosen != nullptr ? static_cast<ContainerClass>(chosen->data().toInt())
                             : ContainerClass::Standard;
}

void TfrmMain::showClassChoice() {
    const ContainerClass chosen = classChoice();
    const auto item = std::find(designedItems.begin(), designedItems.end(), chosen);
    const bool designed = item != designedItems.end();
    if (designed)
        gbencClassItems->button(int(item - designedItems.begin()))->setChecked(true);
    gbencClass->setEnabled(designed);
    const ClassRow& row = classRow(chosen);
    protectedSign->setVisible(row.enciphered);
    // The suffix of the designed classes does not apply to a class with a file type of its own,
    // nor hidden names to one whose containers do not record their pictures' names.
    rgsuffix->setEnabled(row.fileType.empty());
    mhidenames->setEnabled(row.recordsName);
    mremoveoriginals->setEnabled(row.recordsName);
    // The note beside the entry gives the rule of the class chosen.
    lbpassnote->setText(text(classRow(chosen).passwordLimits.countsBytes ? texts_->protectedPassnote
                                                                         : texts_->lbpassnote));
}

void TfrmMain::bindHandlers() {
    connect(btnopen, &QPushButton::clicked, this, &TfrmMain::btnopenClick);
    connect(N2, &QAction::triggered, this, &TfrmMain::N2Click);
    connect(nview, &QAction::triggered, this, &TfrmMain::nviewClick);
    connect(nopenfolder, &QAction::triggered, this,
            [this] { runCommand([this] { chooseFolder(); }); });
    connect(nencryptto, &QAction::triggered, this,
            [this] { runCommand([this] { runInto(nencryptto, &TfrmMain::encryptSelection); }); });
    connect(nrestoreto, &QAction::triggered, this, [this] {
        if (!wrongTries_.locked())
            runCommand([this] { runInto(nrestoreto, &TfrmMain::decryptSelection); });
    });
    connect(N5, &QAction::triggered, this, &TfrmMain::N5Click);
    connect(btnenc, &QPushButton::clicked, this, &TfrmMain::btnencClick);
    connect(btndec, &QPushButton::clicked, this, &TfrmMain::btndecClick);
    connect(btncancel, &QPushButton::clicked, this, &TfrmMain::btncancelClick);
    connect(N7, &QAction::triggered, this, &TfrmMain::N7Click);
    connect(N8, &QAction::triggered, this, &TfrmMain::N8Click);
    connect(nabout, &QAction::triggered, this, &TfrmMain::naboutClick);
    connect(ndonate, &QAction::triggered, this, &TfrmMain::ndonateClick);
    connect(WebBrowser1, &QTextBrowser::sourceChanged, this,
            &TfrmMain::WebBrowser1DocumentComplete);
    connect(WebBrowser1, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& link) { dialogs_.openPage(this, link); });
    connect(men, &QAction::triggered, this, &TfrmMain::menClick);
    connect(classItems, &QActionGroup::triggered, this, &TfrmMain::showClassChoice);
    // An item of the radio group chooses its class in the menu.
    connect(gbencClassItems, &QButtonGroup::idClicked, this, [this](int item) {
        const auto chosen = static_cast<qsizetype>(designedItems.at(std::size_t(item)));
        classItems->actions().at(chosen)->setChecked(true);
    });
    connect(mch, &QAction::triggered, this, &TfrmMain::mchClick);

    // Esc without Shift, Ctrl or Alt presses Cancel.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("escape"));
    connect(escape, &QShortcut::activated, btncancel, &QPushButton::click);
}

void TfrmMain::FormCreate() {
    englishUi_ = true;
    interfacelanguage(englishUi_ ? 1 : 0);
    // The height follows the texts, since the menu bar's height depends on its titles.
    setWindowHeight(WindowHeight::Resting);
    WebBrowser1->setSource(shippedPage(programFolder(), languageTable(englishUi_).bannerPage));
}

void TfrmMain::FormClose() {
    std::vector<std::string>().swap(selectedFiles_);
    std::vector<std::string>().swap(selectedTrees_);
}

void TfrmMain::interfacelanguage(int language) {
    const bool english = language == 1;
    const LanguageTable& table = languageTable(english);
    btnopen->setText(text(table.btnopen));
    btnenc->setText(text(table.btnenc));
    N1->setTitle(text(table.N1));
    N2->setText(text(table.N2));
    nview->setText(text(table.viewMenuItem));
    nopenfolder->setText(text(table.openFolderItem));
    nencryptto->setText(text(table.encryptToItem));
    nrestoreto->setText(text(table.restoreToItem));
    N5->setText(text(table.N5));
    N6->setTitle(text(table.N6));
    N7->setText(text(table.N7));
    N8->setText(text(table.N8));
    N11->setTitle(text(table.N11));
    nabout->setText(text(table.nabout));
    mdonate->setTitle(text(table.mdonate));
    ndonate->setText(text(table.ndonate));
    rgsuffix->setTitle(text(table.rgsuffixCaption));
    rgsuffixItems->button(0)->setText(text(table.rgsuffixItem0));
    rgsuffixItems->button(1)->setText(text(table.rgsuffixItem1));
    gbencClass->setTitle(text(table.gbencClassCaption));
    gbencClassItems->button(0)->setText(text(table.gbencClassItem0));
    gbencClassItems->button(1)->setText(text(table.gbencClassItem1));
    lbopen->setText(text(table.lbopen));
    lbpassword->setText(text(table.lbpassword));
    btndec->setText(text(table.btndec));
    lbpassnote->setText(text(table.lbpassnote));
    lbbusy->setText(text(table.busy));
    report_->setTexts(table);
    useQtTranslation(!english);
    btncancel->setText(text(table.btncancel));
    setWindowTitle(text(table.windowCaption));
    setApplicationTitle(text(table.applicationTitle));
    mlanguage->setTitle(text(table.languageMenu));
    mclass->setTitle(text(table.classMenu));
    for (QAction* choice : classItems->actions())
        choice->setText(
            text(table.classItems.at(static_cast<std::size_t>(choice->data().toInt()))));
    gbencClass->setToolTip(text(table.classGroupTip));
    protectedSign->setText(QStringLiteral("<b>%1</b>").arg(text(table.protectedSign)));
    protectedSign->setToolTip(text(table.protectedSignTip));
    mhidenames->setText(text(table.hideNames));
    mhidenames->setToolTip(text(table.hideNamesTip));
    mremoveoriginals->setText(text(table.removeOriginals));
    mremoveoriginals->setToolTip(text(table.removeOriginalsTip));
    (english ? men : mch)->setChecked(true);
    texts_ = &table;
    showClassChoice();
    showSelection();
}

void TfrmMain::showSelection() {
    // A long list ends after this many names, so that the tooltip fits on the screen.
    constexpr std::size_t listedAtMost = 20;
    const std::vector<std::string>& files = selectedFiles_;
    if (!selectedTrees_.empty()) {
        QStringList folders;
        for (const std::string& folder : selectedTrees_)
            folders.append(shownText(folder));
        edtdir->setToolTip(text(texts_->folderChosen).arg(folders.join(QLatin1Char('\n'))));
        return;
    }
    if (files.empty()) {
        edtdir->setToolTip(QString());
        return;
    }
    QStringList lines{text(texts_->filesChosen).arg(files.size())};
    for (std::size_t i = 0; i < files.size() && i < listedAtMost; ++i)
        lines.append(shownText(namePart(files[i])));
    if (files.size() > listedAtMost)
        lines.append(QStringLiteral("…"));
    edtdir->setToolTip(lines.join(QLatin1Char('\n')));
}

void TfrmMain::setWindowHeight(WindowHeight height) {
    const int content =
        height == WindowHeight::Running ? runningContentHeight : restingContentHeight;
    MainMenu1->ensurePolished();
    // The window is as tall as its state shows: a taller one would show the progress row at rest,
    // its values those of the last run. Its size is fixed: a window manager that honours the
    // window's hints offers to maximise any window that can be resized (openbox does), and a
    // maximised window would show the progress row too.
    setFixedHeight(MainMenu1->sizeHint().height() + content);
}

void TfrmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    fitToFrame();
}

void TfrmMain::fitToFrame() {
    // The window manager adds its frame once the window is shown: the outer width then becomes
    // the designed one, and the window with its frame is centred on the desktop. Moves after
    // that are the user's, also when the frame changes (a maximise undone).
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame == fittedFrame_)
        return;
    fittedFrame_ = frame;
    setFixedWidth(outerWidth - frame.width());
    if (framed_)
        return;
    framed_ = !frame.isEmpty();
    const QRect desktop = screen()->availableGeometry();
    const QSize outer = size() + frame;
    move(desktop.x() + (desktop.width() - outer.width()) / 2,
         desktop.y() + (desktop.height() - outer.height()) / 2);
}

void TfrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // The window has no maximise box; a window manager that maximises it all the same is undone.
    constexpr Qt::WindowStates enlarged = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (event->type() == QEvent::WindowStateChange && (windowState() & enlarged))
        setWindowState(windowState() & ~enlarged);
}

bool TfrmMain::focusNextPrevChild(bool next) {
    const QWidget* focused = focusWidget();
    const auto owner =
        std::find_if(tabOrder_.begin(), tabOrder_.end(), [focused](QWidget* control) {
            return control == focused || control->isAncestorOf(focused);
        });
    const qsizetype count = tabOrder_.size();
    // From no stop, Tab starts at the first control and Shift+Tab at the last.
    const qsizetype from = owner != tabOrder_.end() ? owner - tabOrder_.begin() : next ? -1 : count;
    for (qsizetype step = 1; step <= count; ++step) {
        const qsizetype at = ((from + (next ? step : -step)) % count + count) % count;
        if (QWidget* stop = tabStop(tabOrder_.at(at))) {
            stop->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    // A drop is refused during a run, as Open is, and so is one that chooses nothing.
    const FileChoice choice = droppedFiles(*event->mimeData());
    if (runGoing() || (choice.files.empty() && choice.leftOut.empty()))
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TfrmMain::dropEvent(QDropEvent* event) {
    const FileChoice choice = droppedFiles(*event->mimeData());
    if (runGoing() || (choice.files.empty() && choice.leftOut.empty()))
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    takeChoice(choice);
}

void TfrmMain::takeStartFiles(const std::vector<std::string>& paths) {
    takeChoice(tarvex::chooseFiles(paths));
}

void TfrmMain::takeChoice(const FileChoice& choice) {
    // Folders alone stand for everything under them.
    if (choice.files.empty()) {
        if (!choice.leftOut.empty())
            runCommand([this, &choice] { takeTrees(choice.leftOut); });
        return;
    }
    // A choice that the rules refuse says why, as Open does.
    if (!choice.missing.empty()) {
        report_->showMessage(filledIn(texts_->dropNotFound, {shownName(namePart(choice.missing))}));
        return;
    }
    if (!choice.otherFolder.empty()) {
        report_->showMessage(filledIn(texts_->dropTwoFolders, {shownName(choice.files.front()),
                                                               shownName(choice.otherFolder)}));
        return;
    }
    runCommand([this, &choice] { takeSelection(choice.files); });
}

template <typename Command> void TfrmMain::runCommand(Command&& command) {
    try {
        command();
    } catch (const std::exception& error) {
        report_->showMessage(error.what());
    }
    showSelection();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (runGoing()) {
        // The run stops as soon as it asks whether to, and the window closes once it has ended,
        // without the cancel message.
        closeRequested_ = true;
        run_->cancel();
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TfrmMain::btnopenClick() {
    runCommand([this] { chooseFiles(); });
}

void TfrmMain::N2Click() {
    btnopenClick();
}

void TfrmMain::nviewClick() {
    const std::vector<std::string> chosen = chooseForViewing(dialogs_, this, *texts_);
    if (!chosen.empty())
        openViewer(chosen, dialogs_, englishUi_, this);
}

void TfrmMain::N5Click() {
    close();
}

void TfrmMain::btnencClick() {
    runCommand([this] { encryptSelection(); });
}

void TfrmMain::btndecClick() {
    if (wrongTries_.locked())
        return;
    runCommand([this] { decryptSelection(); });
}

void TfrmMain::btncancelClick() {
    run_->cancel();
}

void TfrmMain::menClick() {
    if (runGoing())
        return;
    englishUi_ = true;
    interfacelanguage(englishUi_ ? 1 : 0);
}

void TfrmMain::mchClick() {
    if (runGoing())
        return;
    englishUi_ = false;
    interfacelanguage(englishUi_ ? 1 : 0);
}

void TfrmMain::N7Click() {
    const QString help =
        programFile(programFolder(), text(languageTable(englishUi_).localHelpFile));
    dialogs_.openPage(this, QUrl::fromLocalFile(help));
}

void TfrmMain::openSitePage(std::string_view page) {
    dialogs_.openPage(this, QUrl(siteAddress(programFolder(), page)));
}

void TfrmMain::N8Click() {
    openSitePage(languageTable(englishUi_).onlineHelpPage);
}

void TfrmMain::naboutClick() {
    openSitePage(languageTable(englishUi_).aboutPage);
}

void TfrmMain::ndonateClick() {
    openSitePage(languageTable(englishUi_).donatePage);
}

void TfrmMain::N10Click() {
    TfrmAbout about(dialogs_, findChild<TfrmNote*>(), this);
    about.exec();
}

void TfrmMain::WebBrowser1DocumentComplete() {
    // No scroll bars, and no border or margin around the page: the banner fills its area.
    WebBrowser1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WebBrowser1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WebBrowser1->setFrameShape(QFrame::NoFrame);
    QTextFrame* page = WebBrowser1->document()->rootFrame();
    QTextFrameFormat flat = page->frameFormat();
    flat.setBorder(0);
    flat.setMargin(0);
    flat.setPadding(0);
    page->setFrameFormat(flat);
}

} // namespace tarvex
