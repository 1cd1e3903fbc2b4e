#include "platform/QtPlatform.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

namespace tarvex {

namespace {

constexpr const char* applicationTitleProperty = "tarvexApplicationTitle";

} // namespace

QtPlatform::QtPlatform(WindowControls controls, Dialogs& dialogs)
    : controls_(std::move(controls)), dialogs_(dialogs) {}

void QtPlatform::showMessage(std::string_view text) {
    paintProgressRow();
    dialogs_.message(controls_.window, applicationTitle(), messageText(text));
}

bool QtPlatform::confirm(std::string_view text) {
    paintProgressRow();
    return dialogs_.question(controls_.window, messageText(text));
}

std::vector<std::string> QtPlatform::openFiles(const OpenFilesRequest& request) {
    const OpenFilesDialogOptions options{.nameFilters = nameFiltersOf(request.filter),
                                         .filterIndex = request.filterIndex - 1,
                                         .initialFolder = pathText(request.initialFolder)};
    std::vector<std::string> paths;
    for (const QString& path : dialogs_.openFiles(controls_.window, options))
        paths.push_back(pathBytes(path));
    return paths;
}

void QtPlatform::openFolder(const std::string& folder) {
    dialogs_.openFolder(QUrl::fromLocalFile(pathText(folder)));
}

void QtPlatform::openInBrowser(const std::string& addressOrFile) {
    const QString text = QString::fromStdString(addressOrFile);
    dialogs_.openPage(controls_.window, text.contains(QStringLiteral("://"))
                                            ? QUrl(text)
                                            : QUrl::fromLocalFile(pathText(addressOrFile)));
}

std::string QtPlatform::programFolder() {
    return pathBytes(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
}

void QtPlatform::setWindowHeight(WindowHeight height) {
    controls_.setWindowHeight(height);
}

void QtPlatform::processMessages() {
    QCoreApplication::processEvents();
}

void QtPlatform::showWaiting(std::string_view text) {
    if (waitingNotice_) {
        waitingNotice_->close();
    }
    if (text.empty()) {
        return;
    }
    // A box that does not block the window: the run goes on waiting while it shows, and its
    // Cancel is the window's own.
    auto* box = new QMessageBox(QMessageBox::Information, applicationTitle(), messageText(text),
                                QMessageBox::Cancel, controls_.window);
    box->setObjectName(QStringLiteral("waitingNotice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QObject::connect(box->button(QMessageBox::Cancel), &QPushButton::clicked,
                     controls_.cancelButton, &QAbstractButton::click);
    box->show();
    waitingNotice_ = box;
}

void QtPlatform::setProgress(int position, int maximum) {
    // A range of 0 to 0 would make Qt's bar show an endless busy animation; an empty range
    // shows the same empty bar as a range of 0 to 1.
    controls_.progressBar->setRange(0, maximum > 0 ? maximum : 1);
    controls_.progressBar->setValue(position);
    paintProgressRow();
}

void QtPlatform::showProgress(int done, int count, const std::string&) {
    // A run of small files hands over thousands of counts a second, and painting each would cost
    // more than its file. Every count is set, and the row is painted at most once a frame, the
    // last count always; a message or a question shows the count in force.
    constexpr qint64 frameMs = 25;
    const bool paint =
        done >= count || !progressPainted_.isValid() || progressPainted_.hasExpired(frameMs);
    if (!paint) {
        controls_.progressBar->setUpdatesEnabled(false);
        controls_.progressLabel->setUpdatesEnabled(false);
    }
    controls_.progressBar->setValue(done);
    controls_.progressLabel->setText(QStringLiteral("%1/%2").arg(done).arg(count));
    if (paint)
        paintProgressRow();
}

void QtPlatform::paintProgressRow() {
    controls_.progressBar->setUpdatesEnabled(true);
    controls_.progressLabel->setUpdatesEnabled(true);
    progressPainted_.start();
}

void QtPlatform::setDecryptEnabled(bool enabled) {
    decryptAllowed_ = enabled;
    controls_.decryptButton->setEnabled(enabled && runControlsEnabled_);
}

void QtPlatform::showBusy(bool busy) {
    // A range of 0 to 0 is Qt's bar for work without a known end; a run that needs a key in the
    // middle of its files gets its bar back as it was.
    QProgressBar& bar = *controls_.progressBar;
    if (busy) {
        beforeBusy_ = {bar.maximum(), bar.value()};
        bar.setRange(0, 0);
    } else {
        bar.setRange(0, beforeBusy_.first);
        bar.setValue(beforeBusy_.second);
    }
    paintProgressRow();
}

std::optional<std::string> QtPlatform::passwordAgain(std::string_view prompt) {
    const std::optional<QString> typed =
        dialogs_.passwordAgain(controls_.window, applicationTitle(), messageText(prompt));
    if (!typed) {
        return std::nullopt;
    }
    return typed->toStdString();
}

void QtPlatform::noteLeftOut(std::string_view, std::string_view) {}

void QtPlatform::setRunControlsEnabled(bool enabled) {
    if (!enabled) {
        focusBeforeRun_ = controls_.window->focusWidget();
        // Else disabling the focused button would send the focus on to the read-only folder
        // field, its text selected.
        if (focusBeforeRun_)
            controls_.cancelButton->setFocus();
    }
    runControlsEnabled_ = enabled;
    if (enabled)
        paintProgressRow();
    for (QWidget* widget : controls_.runWidgets)
        widget->setEnabled(enabled);
    for (QAction* action : controls_.runActions)
        action->setEnabled(enabled);
    controls_.decryptButton->setEnabled(enabled && decryptAllowed_);
    // The button pressed for the run is where the user goes on from.
    if (enabled && focusBeforeRun_ && focusBeforeRun_->isEnabled())
        focusBeforeRun_->setFocus();
}

std::string QtPlatform::folderField() {
    return pathBytes(controls_.folderField->text());
}

void QtPlatform::setFolderField(const std::string& folder) {
    controls_.folderField->setText(pathText(folder));
}

std::string QtPlatform::passwordEntry() {
    return controls_.passwordEntry->text().toStdString();
}

int QtPlatform::suffixChoice() {
    return controls_.suffixChoice->checkedId() == 1 ? 1 : 0;
}

ContainerClass QtPlatform::classChoice() {
    const QAction* chosen = controls_.classChoice->checkedAction();
    return chosen != nullptr ? static_cast<ContainerClass>(chosen->data().toInt())
                             : ContainerClass::Standard;
}

QString pathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string pathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QStringList nameFiltersOf(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // "*.*" stands for every file, names without a dot included, as Qt's "*" does.
        for (QString& pattern : patterns) {
            if (pattern == QStringLiteral("*.*"))
                pattern = QStringLiteral("*");
        }
        filters.append(parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return filters;
}

QString messageText(std::string_view text) {
    QString shown = QString::fromUtf8(text.data(), qsizetype(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void setApplicationTitle(const QString& title) {
    qApp->setProperty(applicationTitleProperty, title);
}

QString applicationTitle() {
    return qApp->property(applicationTitleProperty).toString();
}

} // namespace tarvex
