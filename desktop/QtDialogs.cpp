#include "desktop/QtDialogs.h"

#include "batch/FileChoice.h"
#include "desktop/PageWindow.h"
#include "desktop/PasswordMaskStyle.h"
#include "desktop/QtText.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QStyle>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace tarvex {

namespace {

// The width at which a title bar shows the whole caption of `box`: room for the caption in a bold
// title font, the icon and three title buttons.
int captionWidth(const QWidget& box) {
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    return QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) +
           4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
}

// Gives `box` the font of the window it belongs to, and a width at which a title bar shows its
// whole caption.
void fitToWindow(QMessageBox& box, QWidget* parent) {
    if (parent != nullptr)
        box.setFont(parent->font());
    const int width = captionWidth(box);
    // The box sizes itself to its layout's minimum width when it is shown.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void QtDialogs::message(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    // A file name in a message may look like markup ("<i>a.jpg"); it is shown as it is.
    box.setTextFormat(Qt::PlainText);
    fitToWindow(box, parent);
    box.exec();
}

bool QtDialogs::question(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    fitToWindow(box, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::chooseFolder(QWidget* parent, const QString& caption, const QString& start) {
    QFileDialog dialog(parent, caption);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!start.isEmpty())
        dialog.setDirectory(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

namespace {

// A modal box that asks with `text` for a password, masked as the window's entry is, in an entry
// named `name`.
std::optional<QString> maskedEntry(QWidget* parent, const QString& caption, const QString& text,
                                   const QString& name) {
    QDialog box(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint);
    box.setWindowTitle(caption);
    if (parent != nullptr)
        box.setFont(parent->font());
    auto* prompt = new QLabel(text, &box);
    prompt->setTextFormat(Qt::PlainText);
    prompt->setWordWrap(true);
    // Each character shown as "#", as in the window's entry; any length is taken, for the rule
    // of the class to judge.
    auto* entry = new QLineEdit(&box);
    entry->setObjectName(name);
    entry->setEchoMode(QLineEdit::Password);
    entry->setStyle(new PasswordMaskStyle(entry));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(prompt);
    layout->addWidget(entry);
    layout->addWidget(buttons);
    // A box of fixed size takes its layout's width, which a spacer makes wide enough for the
    // caption; window managers offer no maximise for it.
    layout->addSpacerItem(new QSpacerItem(std::max(320, captionWidth(box)), 0));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return entry->text();
}

} // namespace

std::optional<QString> QtDialogs::passwordAgain(QWidget* parent, const QString& caption,
                                                const QString& text) {
    return maskedEntry(parent, caption, text, QStringLiteral("passwordAgain"));
}

std::optional<QString> QtDialogs::passphrase(QWidget* parent, const QString& caption,
                                             const QString& text) {
    return maskedEntry(parent, caption, text, QStringLiteral("passphrase"));
}

QStringList QtDialogs::openFiles(QWidget* parent, const OpenFilesDialogOptions& options) {
    OpenFilesDialog dialog(parent, options);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosenFiles();
}

QString QtDialogs::saveFile(QWidget* parent, const QString& caption, const QString& suggested) {
    QFileDialog dialog(parent, caption);
    // Qt's own dialog, as for opening.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

namespace {

// Opens `url` with the desktop's own opener, xdg-open, which tells whether it found a program
// only when it ends, and may wait for the program it started; `failed` is called then when it
// found none. Without xdg-open, Qt looks for a program of its own.
void launch(const QUrl& url, const std::function<void()>& failed) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url))
            failed();
        return;
    }
    // The application owns the opener: a window that closes meanwhile does not end it.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    const auto ended = [process, failed](bool opened) {
        if (!opened)
            failed();
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::finished, process,
                     [ended](int code, QProcess::ExitStatus status) {
                         ended(status == QProcess::NormalExit && code == 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [ended](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             ended(false);
                     });
    process->start(opener, {url.toString()});
}

} // namespace

void QtDialogs::openPage(QWidget* parent, const QUrl& url) {
    const QPointer<QWidget> owner(parent);
    launch(url, [owner, url] { showPageWindow(owner, url); });
}

void QtDialogs::openFolder(const QUrl& folder, std::function<void()> failed) {
    launch(folder, failed);
}

void useQtTranslation(bool chinese) {
    static QTranslator* installed = nullptr;
    if (installed != nullptr) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (!chinese)
        return;
    auto* translation = new QTranslator(QCoreApplication::instance());
    if (translation->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translation)) {
        installed = translation;
        return;
    }
    delete translation;
}

OpenFilesDialog::OpenFilesDialog(QWidget* parent, const OpenFilesDialogOptions& options)
    : QFileDialog(parent), twoFolders_(options.twoFolders),
      folderChoosable_(options.folderChoosable) {
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
    return chosen_;
}

void OpenFilesDialog::accept() {
    const QStringList typed = typedList();
    std::vector<std::string> named;
    for (const QString& path : typed.isEmpty() ? selectedFiles() : typed)
        named.push_back(pathBytes(path));
    const FileChoice choice = chooseFiles(named);
    // A choice of no file is Qt's own matter, which opens a chosen folder, unless the folder
    // itself may be chosen.
    if (choice.files.empty() && folderChoosable_) {
        chosen_ = {choice.leftOut.empty() ? directory().absolutePath()
                                          : pathText(choice.leftOut.front())};
        QDialog::accept();
        return;
    }
    if (choice.files.empty()) {
        QFileDialog::accept();
        return;
    }
    if (!choice.missing.empty()) {
        QMessageBox::warning(this, windowTitle(),
                             QFileDialog::tr("%1\nFile not found.\nPlease verify the "
                                             "correct file name was given.")
                                 .arg(QFileInfo(pathText(choice.missing)).fileName()));
        return;
    }
    // A name in another folder is refused, not dropped.
    if (!choice.otherFolder.empty()) {
        QMessageBox::warning(this, windowTitle(),
                             twoFolders_.arg(QDir::cleanPath(pathText(choice.files.front())),
                                             QDir::cleanPath(pathText(choice.otherFolder))));
        return;
    }
    chosen_.clear();
    for (const std::string& file : choice.files)
        chosen_.append(pathText(file));
    // Qt's own acceptance would open a folder among the chosen names instead.
    QDialog::accept();
}

QStringList OpenFilesDialog::typedList() const {
    const auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (field == nullptr || !field->text().contains(QLatin1Char('"')))
        return {};
    // The field holds the list's selection as Qt wrote it there, cut at the field's length: the
    // selection itself is read then, whole and in its order.
    if (field->text() == selectionText().left(field->maxLength()))
        return {};
    // "first" "second" ...: every second part between quotes is a name.
    const QStringList parts = field->text().split(QLatin1Char('"'));
    QStringList paths;
    for (qsizetype i = 1; i < parts.size(); i += 2)
        paths.append(directory().absoluteFilePath(parts.at(i)));
    return paths;
}

QString OpenFilesDialog::selectionText() const {
    const auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView"));
    const auto* files =
        view != nullptr ? qobject_cast<const QFileSystemModel*>(view->model()) : nullptr;
    if (files == nullptr)
        return {};
    QStringList names;
    for (const QModelIndex& row : view->selectionModel()->selectedRows()) {
        if (!files->isDir(row))
            names.append(row.data().toString());
    }
    if (names.size() > 1) {
        for (QString& name : names)
            name = QLatin1Char('"') + name + QLatin1Char('"');
    }
    return names.join(QLatin1Char(' '));
}

QtSettingsForThisRun::QtSettingsForThisRun() {
    if (!folder_.isValid())
        return;
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder_.path());
}

} // namespace tarvex
