#pragma once

#include "desktop/Dialogs.h"

#include <QFileDialog>
#include <QTemporaryDir>

namespace tarvex {

// The real dialogs: QMessageBox, Qt's own file dialog, and the desktop's opener of pages and
// folders. A box speaks in the font of its window and is wide enough for its whole caption.
class QtDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& caption, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    std::optional<QString> passwordAgain(QWidget* parent, const QString& caption,
                                         const QString& text) override;
    std::optional<QString> passphrase(QWidget* parent, const QString& caption,
                                      const QString& text) override;
    QStringList openFiles(QWidget* parent, const OpenFilesDialogOptions& options) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& suggested) override;
    QString chooseFolder(QWidget* parent, const QString& caption, const QString& start) override;
    // The desktop's own opener, xdg-open, tells whether it found a browser only when it ends, and
    // may wait for the browser it started; a page it could not open shows then.
    void openPage(QWidget* parent, const QUrl& url) override;
    void openFolder(const QUrl& folder, std::function<void()> failed) override;
};

// Qt's own file dialog as the open-file dialog: several existing files, the name filters matched
// without regard to letter case, the entry `options.filterIndex` selected.
//
// Of several names typed into its name field, Qt's dialog returns only those that its list shows
// under the current filter, and drops the others without a word. This one returns every typed
// name, and refuses a list that names a missing file with the message Qt gives for a single
// missing name, or that names files of more than one folder. Qt's dialog opens a folder chosen
// together with files and forgets the files; this one takes the files and leaves the folders out.
// A selection in the list comes back whole, however many files it holds: the name field, which
// Qt fills with their names, holds 32,767 characters only. Where the options let a folder be
// chosen, Open on a folder (or on none) chooses it rather than opening it.
class OpenFilesDialog final : public QFileDialog {
public:
    OpenFilesDialog(QWidget* parent, const OpenFilesDialogOptions& options);

    // The full paths of the chosen files, once the dialog is accepted: the typed ones in the
    // order typed, or the ones selected in the list.
    QStringList chosenFiles() const;

protected:
    void accept() override;

private:
    // The full paths of the names in the name field when the user typed a list of quoted names
    // there; empty when it holds the list's selection as Qt writes it.
    QStringList typedList() const;
    // The text that Qt writes into the name field for the list's selection: the names of the
    // files, each in quotes when there are several, separated by blanks.
    QString selectionText() const;

    QString twoFolders_;
    bool folderChoosable_;
    QStringList chosen_;
};

// Qt's own texts (the open dialog, the OK and Cancel buttons, a field's context menu) in the
// window's language: Qt's translation into Chinese while `chinese`, its own English otherwise.
// The question box keeps its "Confirm", "&Yes" and "&No" in both languages.
void useQtTranslation(bool chinese);

// Qt's file dialog keeps its history of folders, the last folder chosen and its own look in the
// user's Qt settings (QtProject.conf in ~/.config), where every later start finds them. This
// program keeps nothing from one start to the next: while an object of this class lives, Qt's
// settings are kept in a private temporary folder, and they go with it (on SIGTERM, SIGINT and
// SIGHUP too, while an EndOnSignals lives).
class QtSettingsForThisRun {
public:
    QtSettingsForThisRun();
    QString folder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
};

} // namespace tarvex
