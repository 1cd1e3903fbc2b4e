#include "viewer/ViewerWindow.h"

#include "batch/Viewing.h"
#include "desktop/QtDialogs.h"
#include "desktop/QtText.h"
#include "pictures/PictureFormats.h"
#include "texts/Catalogue.h"
#include "texts/Wording.h"
#include "viewer/PictureView.h"
#include "viewer/SaveCopy.h"
#include "viewer/TileDelegate.h"
#include "viewer/TileGrid.h"
#include "viewer/TileZoom.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace tarvex {

namespace {

// The folder that holds every one of `files`, with its "/" at the end: the folder chosen when they
// are a tree's.
std::string commonFolder(const std::vector<std::string>& files) {
    std::string folder = folderPart(files.front());
    for (const std::string& file : files) {
        while (!folder.empty() && !file.starts_with(folder)) {
            folder = folderPart(std::string_view(folder).substr(0, folder.size() - 1));
        }
    }
    return folder;
}

} // namespace

ViewerWindow::ViewerWindow(std::vector<std::string> files, ViewerSetup setup, QWidget* parent)
    : QMainWindow(parent, Qt::Window), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("viewer"));
    // Qt's image readers warn on the standard error with what they found in a picture, a marker
    // byte of a damaged one; the standard error of a desktop program may go to a file.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    // The formats of the program's own, HEIC among them, for the readers of every picture.
    pictures::addPictureFormats();
    setWindowIcon(QIcon(QStringLiteral(":/tarvex/tarvex.png")));
    if (!files.empty())
        folder_ = commonFolder(files);
    asking_ = std::make_unique<KeyAsking>(
        KeyAsking::Setup{setup_.dialogs, setup_.tries, keys_, setup_.derive, setup_.fileSystems},
        KeyAsking::Events{.ready =
                              [this](const ProtectedParameters& key) {
                                  model_->keyReady(key);
                                  if (records_)
                                      records_->keyReady(key);
                              },
                          .refused = [this](const ProtectedParameters& key,
                                            KeyRefusal why) { model_->keyRefused(key, why); },
                          .deriving = [this](bool deriving) { showBusy(deriving); }},
        this);
    std::vector<RowFacts> facts;
    facts.reserve(files.size());
    for (const std::string& file : files)
        facts.push_back(factsOfPath(file, folder_));
    std::vector<std::string> recorded = files;
    model_ = std::make_unique<ContainerModel>(
        std::move(files),
        ContainerModel::Setup{.fileSystems = setup_.fileSystems,
                              .keys = keys_,
                              .needKey = [this](int row, const ProtectedParameters& key) {
                                  asking_->need(key, model_->path(row), model_->name(row));
                              }});
    // The texts come before anything that shows them.
    model_->setTexts(languageTable(setup_.english));
    asking_->setTexts(languageTable(setup_.english));
    arranged_ =
        std::make_unique<ArrangedModel>(*model_, std::move(facts), languageTable(setup_.english));
    createGrid();
    createActions();
    createArranging();
    createSearch();
    createMenus();
    createStatusBar();
    records_ = std::make_unique<RecordPass>(
        std::move(recorded),
        RecordPass::Setup{.fileSystems = setup_.fileSystems,
                          .keys = keys_,
                          .read = [this](const RecordPass::Batch& batch) { takeRecords(batch); },
                          .needKey =
                              [this](int row, const ProtectedParameters& key) {
                                  asking_->need(key, model_->path(row), model_->name(row));
                              }});
    setLanguage(setup_.english);
    resize(screen()->availableGeometry().size() * 4 / 5);
    showGrid();
}

ViewerWindow::~ViewerWindow() {
    // The workers go before the keys they read with, and the view lets go of the model first.
    records_.reset();
    grid_->setModel(nullptr);
    arranged_.reset();
    model_.reset();
    asking_.reset();
}

void ViewerWindow::createGrid() {
    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("pages"));
    setCentralWidget(pages_);
    grid_ = new TileGrid(pages_);
    grid_->setObjectName(QStringLiteral("grid"));
    grid_->setViewMode(QListView::IconMode);
    grid_->setFlow(QListView::LeftToRight);
    grid_->setWrapping(true);
    grid_->setResizeMode(QListView::Adjust);
    grid_->setMovement(QListView::Static);
    grid_->setSpacing(0);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setItemDelegate(new TileDelegate(grid_));
    tiles_ = new TileZoom(*grid_, [this] { noteRowsInView(); });
    grid_->setModel(arranged_.get());
    grid_->setCurrentIndex(arranged_->indexOfRow(arranged_->arrangement().firstRow()));
    model_->setPlaces(arranged_->arrangement().placesOfRows());
    connect(grid_, &QListView::activated, this, &ViewerWindow::open);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ViewerWindow::showFacts);
    connect(arranged_.get(), &QAbstractItemModel::layoutChanged, this, [this] {
        model_->setPlaces(arranged_->arrangement().placesOfRows());
        noteRowsInView();
        showFacts();
    });
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ViewerWindow::noteRowsInView);
    grid_->viewport()->installEventFilter(this);
    pages_->addWidget(grid_);

    picturePage_ = new QWidget(pages_);
    picturePage_->setObjectName(QStringLiteral("picturePage"));
    pictureBar_ = new QToolBar(picturePage_);
    pictureBar_->setObjectName(QStringLiteral("pictureBar"));
    picture_ = new PictureView(picturePage_);
    auto* layout = new QVBoxLayout(picturePage_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pictureBar_);
    layout->addWidget(picture_, 1);
    pages_->addWidget(picturePage_);
}

QAction* ViewerWindow::action(const char* name, const QKeySequence& key) {
    auto* created = new QAction(this);
    created->setObjectName(QString::fromLatin1(name));
    created->setShortcut(key);
    addAction(created);
    return created;
}

void ViewerWindow::createActions() {
    saveCopy_ = action("viewerSaveCopy", QKeySequence::Save);
    copy_ = action("viewerCopy", QKeySequence::Copy);
    close_ = action("viewerClose", QKeySequence::Close);
    fit_ = action("viewerFit", Qt::CTRL | Qt::Key_0);
    actualSize_ = action("viewerActualSize", Qt::CTRL | Qt::Key_1);
    // Plus takes Shift on most keyboards, where "=" shares its key.
    zoomIn_ = action("viewerZoomIn");
    zoomIn_->setShortcuts({Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal});
    zoomOut_ = action("viewerZoomOut", Qt::CTRL | Qt::Key_Minus);
    previous_ = action("viewerPrevious");
    previous_->setShortcuts({Qt::Key_Left, Qt::Key_PageUp, Qt::Key_Backspace});
    next_ = action("viewerNext");
    next_->setShortcuts({Qt::Key_Right, Qt::Key_PageDown, Qt::Key_Space});
    first_ = action("viewerFirst", Qt::Key_Home);
    last_ = action("viewerLast", Qt::Key_End);
    back_ = action("viewerBack", Qt::Key_Escape);
    auto* sizes = new QActionGroup(this);
    // Neither is checked at another zoom.
    sizes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction* size : {fit_, actualSize_}) {
        size->setCheckable(true);
        sizes->addAction(size);
    }
    fit_->setChecked(true);
    connect(saveCopy_, &QAction::triggered, this, &ViewerWindow::saveCopy);
    connect(copy_, &QAction::triggered, this, &ViewerWindow::copyPicture);
    connect(close_, &QAction::triggered, this, &QWidget::close);
    connect(fit_, &QAction::triggered, this, [this] { picture_->setFitted(true); });
    connect(actualSize_, &QAction::triggered, this, [this] { picture_->setFitted(false); });
    // One pair of actions zooms the page that shows: the grid's tiles or the picture.
    const auto zoom = [this](int steps) {
        if (pages_->currentWidget() == grid_)
            tiles_->zoom(steps);
        else
            picture_->zoom(steps);
    };
    connect(zoomIn_, &QAction::triggered, this, [zoom] { zoom(1); });
    connect(zoomOut_, &QAction::triggered, this, [zoom] { zoom(-1); });
    connect(previous_, &QAction::triggered, this, [this] { step(-1); });
    connect(next_, &QAction::triggered, this, [this] { step(1); });
    connect(first_, &QAction::triggered, this,
            [this] { showRow(arranged_->arrangement().firstRow()); });
    connect(last_, &QAction::triggered, this,
            [this] { showRow(arranged_->arrangement().lastRow()); });
    connect(back_, &QAction::triggered, this, &ViewerWindow::showGrid);
    pictureBar_->addActions({previous_, next_, zoomOut_, zoomIn_, fit_, actualSize_});
    zoomLabel_ = new QLabel(pictureBar_);
    zoomLabel_->setObjectName(QStringLiteral("viewerZoom"));
    zoomLabel_->setContentsMargins(6, 0, 6, 0);
    pictureBar_->addWidget(zoomLabel_);
    pictureBar_->addActions({saveCopy_, copy_, back_});
    picture_->onZoomChanged([this] { showZoom(); });
}

void ViewerWindow::createArranging() {
    byFolder_ = action("viewerByFolder");
    byTime_ = action("viewerByTime");
    auto* arrangings = new QActionGroup(this);
    for (QAction* arranging : {byFolder_, byTime_}) {
        arranging->setCheckable(true);
        arrangings->addAction(arranging);
    }
    byFolder_->setChecked(true);
    connect(byFolder_, &QAction::triggered, this,
            [this] { arranged_->setArranging(Arranging::ByFolder); });
    connect(byTime_, &QAction::triggered, this,
            [this] { arranged_->setArranging(Arranging::ByTime); });
}

void ViewerWindow::createSearch() {
    searchBar_ = addToolBar(QString());
    searchBar_->setObjectName(QStringLiteral("viewerSearchBar"));
    searchBar_->setMovable(false);
    search_ = new QLineEdit(searchBar_);
    search_->setObjectName(QStringLiteral("viewerSearch"));
    search_->setClearButtonEnabled(true);
    search_->setMaximumWidth(400);
    searchBar_->addWidget(search_);
    connect(search_, &QLineEdit::textChanged, this,
            [this](const QString& text) { arranged_->setFilter(text); });
    // Esc goes back to the grid while a picture shows, when the field is hidden.
    auto* clear = new QAction(search_);
    clear->setShortcut(Qt::Key_Escape);
    clear->setShortcutContext(Qt::WidgetShortcut);
    search_->addAction(clear);
    connect(clear, &QAction::triggered, search_, &QLineEdit::clear);
}

void ViewerWindow::createMenus() {
    const auto menu = [this](const char* name) {
        QMenu* created = menuBar()->addMenu(QString());
        created->setObjectName(QString::fromLatin1(name));
        return created;
    };
    fileMenu_ = menu("viewerFileMenu");
    fileMenu_->addActions({saveCopy_, copy_});
    fileMenu_->addSeparator();
    fileMenu_->addAction(close_);
    viewMenu_ = menu("viewerViewMenu");
    viewMenu_->addActions({byFolder_, byTime_});
    viewMenu_->addSeparator();
    viewMenu_->addActions({zoomIn_, zoomOut_, fit_, actualSize_});
    viewMenu_->addSeparator();
    viewMenu_->addActions({previous_, next_});
    viewMenu_->addSeparator();
    viewMenu_->addAction(back_);
    languageMenu_ = menu("viewerLanguageMenu");
    english_ = languageMenu_->addAction(qtText(languageEnglish));
    english_->setObjectName(QStringLiteral("viewerEnglish"));
    chinese_ = languageMenu_->addAction(qtText(languageChinese));
    chinese_->setObjectName(QStringLiteral("viewerChinese"));
    auto* languages = new QActionGroup(languageMenu_);
    for (QAction* language : {english_, chinese_}) {
        language->setCheckable(true);
        languages->addAction(language);
    }
    connect(english_, &QAction::triggered, this, [this] { setLanguage(true); });
    connect(chinese_, &QAction::triggered, this, [this] { setLanguage(false); });
}

void ViewerWindow::createStatusBar() {
    countLabel_ = new QLabel(this);
    countLabel_->setObjectName(QStringLiteral("viewerCount"));
    busyLabel_ = new QLabel(this);
    busyLabel_->setObjectName(QStringLiteral("viewerDeriving"));
    busyBar_ = new QProgressBar(this);
    busyBar_->setObjectName(QStringLiteral("viewerBusy"));
    // A range of 0 to 0 is Qt's bar for work without a known end.
    busyBar_->setRange(0, 0);
    busyBar_->setMaximumWidth(120);
    factsLabel_ = new QLabel(this);
    factsLabel_->setObjectName(QStringLiteral("viewerFacts"));
    statusBar()->addWidget(countLabel_, 1);
    statusBar()->addWidget(factsLabel_, 3);
    // The count tells plain pictures apart as their rows are read.
    connect(model_.get(), &QAbstractItemModel::dataChanged, this, &ViewerWindow::showCount);
    statusBar()->addPermanentWidget(busyLabel_);
    statusBar()->addPermanentWidget(busyBar_);
    showBusy(false);
}

void ViewerWindow::setLanguage(bool english) {
    const LanguageTable& texts = languageTable(english);
    texts_ = &texts;
    const auto text = [](std::string_view value) { return qtText(value); };
    setWindowTitle(qtText(filledIn(texts.viewerCaption, {shownName(folder_)})));
    fileMenu_->setTitle(text(texts.viewerFileMenu));
    viewMenu_->setTitle(text(texts.viewerViewMenu));
    languageMenu_->setTitle(text(texts.languageMenu));
    saveCopy_->setText(text(texts.viewerSaveCopy));
    copy_->setText(text(texts.viewerCopy));
    close_->setText(text(texts.viewerClose));
    fit_->setText(text(texts.viewerFit));
    actualSize_->setText(text(texts.viewerActualSize));
    zoomIn_->setText(text(texts.viewerZoomIn));
    zoomOut_->setText(text(texts.viewerZoomOut));
    previous_->setText(text(texts.viewerPrevious));
    next_->setText(text(texts.viewerNext));
    back_->setText(text(texts.viewerBackToGrid));
    busyLabel_->setText(text(texts.viewerDeriving));
    byFolder_->setText(text(texts.viewerByFolder));
    byTime_->setText(text(texts.viewerByTime));
    search_->setPlaceholderText(text(texts.viewerSearch));
    (english ? english_ : chinese_)->setChecked(true);
    useQtTranslation(!english);
    model_->setTexts(texts);
    arranged_->setTexts(texts);
    asking_->setTexts(texts);
    showCount();
    showZoom();
    showFacts();
}

bool ViewerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport() && event->type() == QEvent::Resize)
        noteRowsInView();
    return QMainWindow::eventFilter(watched, event);
}

void ViewerWindow::noteRowsInView() {
    if (pages_->currentWidget() != grid_) {
        model_->setRowsInView(0, -1);
        return;
    }
    const auto [first, last] = grid_->rowsInView();
    model_->setRowsInView(first, last);
}

void ViewerWindow::open(const QModelIndex& index) {
    const QModelIndex tile = arranged_->mapToSource(index);
    if (!tile.isValid())
        return;
    if (const std::optional<ProtectedParameters> refused = model_->refusedKey(tile.row())) {
        asking_->askAgain(*refused);
        return;
    }
    showRow(tile.row());
}

void ViewerWindow::showFile(const std::string& path) {
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (model_->path(row) == path) {
            grid_->setCurrentIndex(arranged_->indexOfRow(row));
            showRow(row);
            return;
        }
    }
}

void ViewerWindow::showRow(int row) {
    if (row < 0 || row >= model_->rowCount())
        return;
    shownRow_ = row;
    pages_->setCurrentWidget(picturePage_);
    enablePictureActions(true);
    noteRowsInView();
    const QVariant thumbnail = model_->index(row).data(Qt::DecorationRole);
    picture_->showPreview(thumbnail.value<QPixmap>().toImage(), qtText(texts_->viewerLoading));
    picture_->setFocus();
    showCount();
    showFacts();
    model_->askPicture(row, [this, row](const QImage& picture, const QString& problem) {
        if (row != shownRow_)
            return;
        // The picture's own name is known once its container opened.
        showCount();
        if (picture.isNull())
            picture_->showText(problem);
        else
            picture_->showPicture(picture);
    });
}

void ViewerWindow::showGrid() {
    model_->dropPicture();
    picture_->clear();
    if (shownRow_ >= 0) {
        grid_->setCurrentIndex(arranged_->indexOfRow(shownRow_));
        grid_->scrollTo(arranged_->indexOfRow(shownRow_));
    }
    shownRow_ = -1;
    pages_->setCurrentWidget(grid_);
    enablePictureActions(false);
    grid_->setFocus();
    noteRowsInView();
    showCount();
    showFacts();
}

void ViewerWindow::step(int by) {
    const int row = arranged_->arrangement().rowBeside(shownRow_, by);
    if (row != shownRow_)
        showRow(row);
}

void ViewerWindow::enablePictureActions(bool enabled) {
    for (QAction* pictureAction :
         {saveCopy_, copy_, fit_, actualSize_, previous_, next_, first_, last_, back_})
        pictureAction->setEnabled(enabled);
    searchBar_->setVisible(!enabled);
}

void ViewerWindow::showZoom() {
    const bool shown = !picture_->picture().isNull();
    const double scale = picture_->scale();
    zoomLabel_->setText(
        shown ? qtText(filledIn(texts_->viewerZoomPercent, {std::to_string(qRound(scale * 100))}))
              : QString());
    fit_->setChecked(picture_->fitted());
    actualSize_->setChecked(!picture_->fitted() && scale == 1);
}

void ViewerWindow::showBusy(bool deriving) {
    busyLabel_->setVisible(deriving);
    busyBar_->setVisible(deriving);
}

void ViewerWindow::showCount() {
    const int count = model_->rowCount();
    if (shownRow_ < 0) {
        const auto counted = [](int number, std::string_view one, std::string_view many) {
            return number == 1 ? std::string(one) : filledIn(many, {std::to_string(number)});
        };
        const ContainerModel::Kinds kinds = model_->kinds();
        const int containers = count - kinds.plain - kinds.notContainers;
        const std::string ofContainers =
            counted(containers, texts_->viewerOneContainer, texts_->viewerCount);
        const std::string ofPlain =
            counted(kinds.plain, texts_->viewerOnePlain, texts_->viewerPlainCount);
        countLabel_->setText(qtText(
            kinds.plain == 0  ? ofContainers
            : containers == 0 ? ofPlain
                              : filledIn(texts_->viewerCountAndPlain, {ofContainers, ofPlain})));
        return;
    }
    // Counted in the order of the grid, as the picture view steps.
    const auto [number, shown] = arranged_->arrangement().numberOf(shownRow_);
    countLabel_->setText(
        number == 0
            ? model_->label(shownRow_)
            : QStringLiteral("%1   %2 / %3").arg(model_->label(shownRow_)).arg(number).arg(shown));
}

void ViewerWindow::showFacts() {
    const int row =
        shownRow_ >= 0 ? shownRow_ : arranged_->mapToSource(grid_->currentIndex()).row();
    factsLabel_->setText(
        row < 0 ? QString()
                : wordedFacts(model_->label(row), arranged_->arrangement().facts(row), *texts_));
}

void ViewerWindow::takeRecords(const RecordPass::Batch& batch) {
    std::vector<std::pair<int, RowFacts>> facts;
    std::vector<std::pair<int, std::string>> names;
    for (const auto& [row, read] : batch) {
        facts.emplace_back(row, factsOf(model_->path(row), folder_, read));
        if (read.record)
            names.emplace_back(row, namePart(read.record->path));
    }
    model_->takeRecordedNames(names);
    arranged_->takeFacts(std::move(facts));
    showFacts();
}

void ViewerWindow::saveCopy() {
    const std::string& container = model_->path(shownRow_);
    const std::string name = copyName(container, model_->recordedName(shownRow_));
    const QString target =
        setup_.dialogs.saveFile(this, applicationTitle(), pathText(folderPart(container) + name));
    if (target.isEmpty())
        return;
    QString problem;
    try {
        const std::unique_ptr<FileSystem> files = setup_.fileSystems();
        const FileOutcome outcome = tarvex::saveCopy(container, pathBytes(target), *files, keys_);
        if (outcome.kind != FileOutcome::Kind::Done)
            problem = problemText(problemOf(outcome), outcome.error, *texts_);
    } catch (const FileError& error) {
        problem = qtText(worded(error, *texts_));
    }
    if (!problem.isEmpty())
        setup_.dialogs.message(this, applicationTitle(), problem);
}

void ViewerWindow::copyPicture() {
    if (!picture_->picture().isNull())
        QGuiApplication::clipboard()->setImage(picture_->picture());
}

} // namespace tarvex
