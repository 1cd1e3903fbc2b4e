#include "platform/QtDialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
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
    OpenFilesDialog dialog(parent, options);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosenFiles();
}

void QtDialogs::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

QTranslator* installQtTranslation(const QLocale& locale) {
    auto* translation = new QTranslator(QCoreApplication::instance());
    if (!translation->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translation)) {
        delete translation;
        return nullptr;
    }
    return translation;
}

namespace {

// The folder that holds `path`, its links and "." and ".." parts resolved. A link to a file
// counts as in the folder of the link, where the file's output goes.
QString folderOf(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
}

} // namespace

OpenFilesDialog::OpenFilesDialog(QWidget* parent, const OpenFilesDialogOptions& options)
    : QFileDialog(parent) {
    // Qt's own dialog, because the desktop's native choosers match patterns case-sensitively:
    // photo.jpg must show under *.JPG.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::HideNameFilterDetails);
    setFileMode(QFileDialog::ExistingFiles);
    setFilter(filter() & ~QDir::CaseSensitive);
    setNameFilters(options.nameFilters);
    if (options.filterIndex >= 0 && options.filterIndex < options.nameFilters.size())
        selectNameFilter(options.nameFilters.at(options.filterIndex));
    if (!options.initialFolder.isEmpty())
        setDirectory(options.initialFolder);
}

QStringList OpenFilesDialog::chosenFiles() const {
    return typed_.isEmpty() ? selectedFiles() : typed_;
}

void OpenFilesDialog::accept() {
    typed_.clear();
    const QStringList typed = typedList();
    for (const QString& path : typed) {
        const QFileInfo file(path);
        if (!file.exists()) {
            QMessageBox::warning(this, windowTitle(),
                                 QFileDialog::tr("%1\nFile not found.\nPlease verify the "
                                                 "correct file name was given.")
                                     .arg(file.fileName()));
            return;
        }
        if (file.isDir()) {
            // Qt's dialog opens a folder named in the list.
            QFileDialog::accept();
            return;
        }
    }
    // A run makes its output folder beside the first file only, so a list must come from one
    // folder; a name in another is refused, not dropped.
    const QString folder = typed.isEmpty() ? QString() : folderOf(typed.front());
    for (const QString& path : typed) {
        if (folderOf(path) != folder) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("%1\n%2\nThese files are in different folders. "
                                                "Please choose files from one folder.")
                                     .arg(QDir::cleanPath(typed.front()), QDir::cleanPath(path)));
            return;
        }
    }
    typed_ = typed;
    QFileDialog::accept();
}

QStringList OpenFilesDialog::typedList() const {
    const auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (field == nullptr || !field->text().contains(QLatin1Char('"')))
        return {};
    // "first" "second" ...: every second part between quotes is a name.
    const QStringList parts = field->text().split(QLatin1Char('"'));
    QStringList paths;
    for (qsizetype i = 1; i < parts.size(); i += 2)
        paths.append(directory().absoluteFilePath(parts.at(i)));
    return paths;
}

QtSettingsForThisRun::QtSettingsForThisRun() {
    if (!folder_.isValid())
        return;
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder_.path());
}

} // namespace tarvex
