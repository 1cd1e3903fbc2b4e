#pragma once

#include "Dialogs.h"

class QFileDialog;

namespace tarvex {

// The real dialogs: QMessageBox, Qt's own file dialog and QDesktopServices.
class QtDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& caption, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    QStringList openFiles(QWidget* parent, const OpenFilesDialogOptions& options) override;
    void openUrl(const QUrl& url) override;
};

// Sets up `dialog` as the open-file dialog: several existing files, the name filters matched
// without regard to letter case, the entry `options.filterIndex` selected.
void configureOpenDialog(QFileDialog& dialog, const OpenFilesDialogOptions& options);

} // namespace tarvex
