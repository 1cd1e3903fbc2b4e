#pragma once

#include "batch/Viewing.h"
#include "desktop/Dialogs.h"
#include "viewer/ArrangedModel.h"
#include "viewer/ContainerModel.h"
#include "viewer/KeyAsking.h"
#include "viewer/RecordPass.h"

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QToolBar;

namespace tarvex {

class PictureView;
class TileZoom;
class TileGrid;
struct LanguageTable;

// What a viewer works with besides its files.
struct ViewerSetup {
    Dialogs& dialogs;
    // The count of wrong passphrases: the program's one, which outlives every viewer.
    WrongTries& tries;
    // Each thread that reads containers takes a file system of its own; nothing is ever written
    // through them but the copy that the user saves.
    FileSystems fileSystems;
    KeyDerivation derive; // keyOfPassphrase when empty
    bool english = true;
};

// The picture viewer: a grid of the containers' thumbnails, each with its name, arranged by folder
// or by time under headings and filtered by what the search field holds, and one picture at a
// time, whole, on Return or a double click. What each container records is read first, for the
// arrangement and the status bar. Nothing of what the containers
// hold leaves the program's memory, but a copy that the user saves or copies.
class ViewerWindow final : public QMainWindow {
public:
    ViewerWindow(std::vector<std::string> files, ViewerSetup setup, QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // Applies every text of a language.
    void setLanguage(bool english);
    ContainerModel& model() { return *model_; }
    // The row whose picture shows whole; -1 while the grid shows.
    int shownRow() const { return shownRow_; }
    // Shows the picture of the file `path` whole, if it is one of the viewer's.
    void showFile(const std::string& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createGrid();
    void createActions();
    void createMenus();
    void createStatusBar();
    void createArranging();
    void createSearch();
    QAction* action(const char* name, const QKeySequence& key = {});
    // Opens a tile: shows its picture, or asks again for the key it was refused.
    void open(const QModelIndex& index);
    void showRow(int row);
    void showGrid();
    void step(int by);
    void saveCopy();
    void copyPicture();
    // Tells the model which rows the grid shows.
    void noteRowsInView();
    void showBusy(bool deriving);
    void showCount();
    // Says in the status bar what the picture shown, or the tile chosen, is.
    void showFacts();
    void takeRecords(const RecordPass::Batch& batch);
    // The actions of the picture view are live while it shows.
    void enablePictureActions(bool enabled);
    // The zoom of the picture in its tool bar and in the View menu's Fit and 100 %.
    void showZoom();

    ViewerSetup setup_;
    const LanguageTable* texts_ = nullptr;
    std::string folder_; // that holds every container, for the caption
    // Declared before what reads with them, so that they outlive it.
    ViewerKeys keys_;
    std::unique_ptr<KeyAsking> asking_;
    std::unique_ptr<ContainerModel> model_;
    std::unique_ptr<ArrangedModel> arranged_;
    std::unique_ptr<RecordPass> records_;
    QStackedWidget* pages_ = nullptr;
    TileGrid* grid_ = nullptr;
    TileZoom* tiles_ = nullptr;
    QToolBar* searchBar_ = nullptr;
    QLineEdit* search_ = nullptr;
    QWidget* picturePage_ = nullptr;
    QToolBar* pictureBar_ = nullptr;
    PictureView* picture_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QLabel* factsLabel_ = nullptr;
    QLabel* busyLabel_ = nullptr;
    QProgressBar* busyBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QAction* saveCopy_ = nullptr;
    QAction* copy_ = nullptr;
    QAction* close_ = nullptr;
    QAction* fit_ = nullptr;
    QAction* actualSize_ = nullptr;
    QAction* zoomIn_ = nullptr;
    QAction* zoomOut_ = nullptr;
    QAction* previous_ = nullptr;
    QAction* next_ = nullptr;
    QAction* first_ = nullptr;
    QAction* last_ = nullptr;
    QAction* back_ = nullptr;
    QAction* byFolder_ = nullptr;
    QAction* byTime_ = nullptr;
    QAction* english_ = nullptr;
    QAction* chinese_ = nullptr;
    int shownRow_ = -1;
};

} // namespace tarvex
