#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QUrl;
class QWidget;

namespace tarvex {

// What the open-file dialog is asked to show.
struct OpenFilesDialogOptions {
    QStringList nameFilters; // Qt name filters, "label (patterns)", the image types first
    int filterIndex = 0;     // the entry the dialog starts on, from 0
    QString initialFolder;   // empty: the dialog's own choice
    // Why a choice of files from two folders is refused: %1 the first file, %2 one in another
    // folder.
    QString twoFolders{};
    // A folder may be chosen instead of files: Open on a folder selected, or on none in a folder,
    // chooses that folder.
    bool folderChoosable = false;
};

// The modal dialogs and desktop launches of the window. The Qt implementation shows real
// dialogs; tests answer them from a script, so no test ever waits on a modal dialog.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A plain message box with one OK button.
    virtual void message(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A question box captioned "Confirm" with Yes and No; true only for Yes.
    virtual bool question(QWidget* parent, const QString& text) = 0;
    // A modal box captioned `caption` that asks with `text` for the password once more, masked
    // as the window's entry is; nothing when it is cancelled.
    virtual std::optional<QString> passwordAgain(QWidget* parent, const QString& caption,
                                                 const QString& text) = 0;
    // A modal box captioned `caption` that asks with `text` for a passphrase of any length,
    // masked as the window's entry is; nothing when it is cancelled.
    virtual std::optional<QString> passphrase(QWidget* parent, const QString& caption,
                                              const QString& text) = 0;
    // The full paths of the chosen files in the dialog's order; empty after Cancel.
    virtual QStringList openFiles(QWidget* parent, const OpenFilesDialogOptions& options) = 0;
    // The full path of a file to write, chosen in a save dialog that starts on `suggested` and
    // confirms the replacing of a file; empty after Cancel.
    virtual QString saveFile(QWidget* parent, const QString& caption, const QString& suggested) = 0;
    // The full path of a folder chosen in Qt's own dialog, starting in `start`; empty after
    // Cancel.
    virtual QString chooseFolder(QWidget* parent, const QString& caption, const QString& start) = 0;
    // Opens a web address or a local page in the desktop's browser. Where the desktop has none
    // that opens it, the page shows in a window of the program's own, owned by `parent`.
    virtual void openPage(QWidget* parent, const QUrl& url) = 0;
    // Opens a folder in the desktop's file manager. Where the desktop has none that opens it,
    // `failed` is called once that is known, which may be after this call has returned.
    virtual void openFolder(const QUrl& folder, std::function<void()> failed) = 0;
};

} // namespace tarvex
