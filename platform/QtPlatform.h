#pragma once

#include "platform/Dialogs.h"
#include "platform/Platform.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class QAbstractButton;
class QAction;
class QActionGroup;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace tarvex {

// The controls of the main window that the runs read and drive.
struct WindowControls {
    QWidget* window = nullptr;
    QLineEdit* folderField = nullptr;
    QLineEdit* passwordEntry = nullptr;
    QButtonGroup* suffixChoice = nullptr;
    // The exclusive items of the class menu; each holds its class as its data.
    QActionGroup* classChoice = nullptr;
    QProgressBar* progressBar = nullptr;
    QLabel* progressLabel = nullptr;
    QWidget* decryptButton = nullptr;
    // The one control that acts during a run; it has the focus meanwhile.
    QAbstractButton* cancelButton = nullptr;
    // Disabled while a run steps through its files (the Decrypt button is handled apart).
    std::vector<QWidget*> runWidgets;
    std::vector<QAction*> runActions;
    std::function<void(WindowHeight)> setWindowHeight;
};

// The platform of the runs on the Qt main window. Dialogs and launches go through `dialogs`.
class QtPlatform : public Platform {
public:
    QtPlatform(WindowControls controls, Dialogs& dialogs);

    void showMessage(std::string_view text) override;
    bool confirm(std::string_view text) override;
    std::vector<std::string> openFiles(const OpenFilesRequest& request) override;
    void openFolder(const std::string& folder) override;
    void openInBrowser(const std::string& addressOrFile) override;
    std::string programFolder() override;
    void setWindowHeight(WindowHeight height) override;
    void processMessages() override;
    void showWaiting(std::string_view text) override;
    void setProgress(int position, int maximum) override;
    void showProgress(int done, int count, const std::string& path) override;
    void setDecryptEnabled(bool enabled) override;
    void showBusy(bool busy) override;
    std::optional<std::string> passwordAgain(std::string_view prompt) override;
    void noteLeftOut(std::string_view path, std::string_view reason) override;
    bool stopPending() override { return false; }
    void setRunControlsEnabled(bool enabled) override;
    std::string folderField() override;
    void setFolderField(const std::string& folder) override;
    std::string passwordEntry() override;
    int suffixChoice() override;
    ContainerClass classChoice() override;

private:
    // Lets the progress row paint again: what it shows is to be seen now.
    void paintProgressRow();

    WindowControls controls_;
    Dialogs& dialogs_;
    bool decryptAllowed_ = true;
    bool runControlsEnabled_ = true;
    // The control that had the focus when a run disabled the controls; it gets it back after.
    QPointer<QWidget> focusBeforeRun_;
    QPointer<QWidget> waitingNotice_;
    // The progress bar's maximum and position while it shows work without a known end.
    std::pair<int, int> beforeBusy_{1, 0};
    QElapsedTimer progressPainted_; // since the progress row was last let paint
};

// A path of the file layer (bytes in the system's encoding) as text, and back.
QString pathText(const std::string& path);
std::string pathBytes(const QString& path);

// The Qt name filters of a filter text "label|patterns|label|patterns" whose patterns are
// separated by ";": one "label (pattern pattern)" per entry, with "*.*" as "*".
QStringList nameFiltersOf(const std::string& filter);

// The text of a message as a box shows it: a lone carriage return breaks the line.
QString messageText(std::string_view text);

// The application title: the caption of plain message boxes.
void setApplicationTitle(const QString& title);
QString applicationTitle();

} // namespace tarvex
