#include "ui/WindowReport.h"

#include "desktop/QtText.h"
#include "texts/Catalogue.h"
#include "texts/Wording.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

namespace tarvex {

WindowReport::WindowReport(WindowControls controls, Dialogs& dialogs)
    : controls_(std::move(controls)), dialogs_(dialogs) {}

void WindowReport::progress(const RunProgress& progress) {
    switch (progress.stage) {
    case RunProgress::Stage::Started:
        running_ = true;
        countOfThisRun_ = false;
        setProgress(0, progress.count);
        setWindowHeight(WindowHeight::Running);
        return;
    case RunProgress::Stage::DerivingKey:
        // A key for the first file of a decrypt run is derived before the run begins: Cancel
        // is live in the progress row meanwhile.
        if (!running_) {
            deriving_ = true;
            setWindowHeight(WindowHeight::Running);
        }
        showBusy(true);
        return;
    case RunProgress::Stage::KeyDerived:
        showBusy(false);
        if (deriving_) {
            deriving_ = false;
            setWindowHeight(WindowHeight::Resting);
        }
        return;
    case RunProgress::Stage::File:
        showFolder(progress.folder);
        showProgress(progress.done, progress.count);
        return;
    }
}

bool WindowReport::ask(const RunQuestion& question) {
    return confirm(worded(question, *texts_));
}

std::optional<Secret> WindowReport::passwordAgain(double seconds) {
    const std::optional<QString> again =
        dialogs_.passwordAgain(controls_.window, applicationTitle(),
                               messageText(std::string(texts_->msgPasswordAgain) + "\n\n" +
                                           wordedStrength(seconds, *texts_)));
    if (!again)
        return std::nullopt;
    return secretOf(*again);
}

void WindowReport::notice(RunNotice notice) {
    if (notice != RunNotice::WaitingForScratch) {
        if (waitingNotice_) {
            waitingNotice_->close();
        }
        if (notice != RunNotice::WaitOver) {
            showMessage(worded(notice, *texts_));
        }
        return;
    }
    // A box that does not block the window: the run goes on waiting while it shows, and its
    // Cancel is the window's own.
    auto* box = new QMessageBox(QMessageBox::Information, applicationTitle(),
                                messageText(worded(notice, *texts_)), QMessageBox::Cancel,
                                controls_.window);
    box->setObjectName(QStringLiteral("waitingNotice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QObject::connect(box->button(QMessageBox::Cancel), &QPushButton::clicked,
                     controls_.cancelButton, &QAbstractButton::click);
    box->show();
    waitingNotice_ = box;
}

void WindowReport::beginRun() {
    setRunControlsEnabled(false);
}

void WindowReport::endRun() {
    showFolder({});
    running_ = false;
    deriving_ = false;
    setRunControlsEnabled(true);
}

void WindowReport::showMessage(std::string_view text) {
    paintProgressRow();
    dialogs_.message(controls_.window, applicationTitle(), messageText(text));
}

bool WindowReport::confirm(std::string_view text) {
    paintProgressRow();
    return dialogs_.question(controls_.window, messageText(text));
}

void WindowReport::setProgress(int position, int maximum) {
    // A range of 0 to 0 would make Qt's bar show an endless busy animation; an empty range
    // shows the same empty bar as a range of 0 to 1.
    controls_.progressBar->setRange(0, maximum > 0 ? maximum : 1);
    controls_.progressBar->setValue(position);
    paintProgressRow();
}

void WindowReport::showProgress(int done, int count) {
    // A run of small files hands over thousands of counts a second, and painting each that
    // reaches the window would cost more than its file. Every count that reaches it is set, and
    // the row is painted at most once a frame, the last count always; a message or a question
    // shows the count in force.
    constexpr qint64 frameMs = 25;
    const bool paint =
        done >= count || !progressPainted_.isValid() || progressPainted_.hasExpired(frameMs);
    if (!paint) {
        controls_.progressBar->setUpdatesEnabled(false);
        controls_.progressLabel->setUpdatesEnabled(false);
    }
    controls_.progressBar->setValue(done);
    controls_.progressLabel->setText(QStringLiteral("%1/%2").arg(done).arg(count));
    countOfThisRun_ = true;
    if (paint)
        paintProgressRow();
}

void WindowReport::showFolder(std::string_view folder) {
    // The bar's format takes %p, %v and %m for figures: a folder's "%" is kept from them.
    QString shown = shownText(folder);
    shown.replace(QLatin1Char('%'), QStringLiteral("%\u200B"));
    controls_.progressBar->setFormat(shown);
    controls_.progressBar->setTextVisible(!folder.empty());
}

void WindowReport::paintProgressRow() {
    controls_.progressBar->setUpdatesEnabled(true);
    controls_.progressLabel->setUpdatesEnabled(true);
    progressPainted_.start();
}

void WindowReport::setDecryptEnabled(bool enabled) {
    decryptAllowed_ = enabled;
    controls_.decryptButton->setEnabled(enabled && runControlsEnabled_);
}

void WindowReport::showBusy(bool busy) {
    // The words take the bar's place, and no count of an earlier run stays beside them; a run
    // that needs a key in the middle of its files gets its count back.
    controls_.progressBar->setVisible(!busy);
    controls_.busyLabel->setVisible(busy);
    if (busy) {
        countBeforeBusy_ = controls_.progressLabel->text();
        controls_.progressLabel->clear();
    } else {
        controls_.progressLabel->setText(countOfThisRun_ ? countBeforeBusy_ : QString());
    }
    paintProgressRow();
}

void WindowReport::setRunControlsEnabled(bool enabled) {
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

} // namespace tarvex
