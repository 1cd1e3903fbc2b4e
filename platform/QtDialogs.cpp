#include "QtDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace tarvex {

void QtDialogs::message(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    // A file name in a message may look like markup ("<i>a.jpg"); it is shown as it is.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtDialogs::question(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QStringList QtDialogs::openFiles(QWidget* parent, const OpenFilesDialogOptions& options) {
    QFileDialog dialog(parent);
    configureOpenDialog(dialog, options);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void QtDialogs::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void configureOpenDialog(QFileDialog& dialog, const OpenFilesDialogOptions& options) {
    // Qt's own dialog, because the desktop's native choosers match patterns case-sensitively:
    // photo.jpg must show under *.JPG.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilters(options.nameFilters);
    if (options.filterIndex >= 0 && options.filterIndex < options.nameFilters.size())
        dialog.selectNameFilter(options.nameFilters.at(options.filterIndex));
    if (!options.initialFolder.isEmpty())
        dialog.setDirectory(options.initialFolder);
}

} // namespace tarvex
