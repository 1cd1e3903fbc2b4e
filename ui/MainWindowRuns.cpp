// The main window's commands that choose files and run: they gather the window's values, start a
// run with them on its thread, and show what it did once it has ended.

#include "batch/Paths.h"
#include "desktop/QtText.h"
#include "pictures/Thumbnail.h"
#include "texts/Catalogue.h"
#include "texts/Wording.h"
#include "ui/untMain.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QUrl>
#include <memory>

namespace tarvex {

void TfrmMain::chooseFiles() {
    OpenFilesDialogOptions options{.nameFilters = nameFiltersOf(texts_->openDialogFilter),
                                   .filterIndex = 0,
                                   .initialFolder = {},
                                   .twoFolders = qtText(texts_->dialogTwoFolders)};
    // The dialog starts in the folder of the last selection, as the desktop's own dialog keeps the
    // first path of its last successful opening; the first opening has none.
    if (!selectedFiles_.empty())
        options.initialFolder = pathText(folderPart(selectedFiles_.front()));
    std::vector<std::string> chosen;
    for (const QString& path : dialogs_.openFiles(this, options))
        chosen.push_back(pathBytes(path));
    takeSelection(std::move(chosen));
}

void TfrmMain::takeSelection(std::vector<std::string> chosen) {
    // A cancelled dialog keeps the earlier selection, so list and folder stay in step.
    if (chosen.empty())
        return;
    selectedFiles_ = std::move(chosen);
    selectedTrees_.clear();
    edtdir->setText(pathText(folderPart(selectedFiles_.front())));
}

namespace {

// A folder dialog is titled as the menu item that opened it, without the dots that promise it.
QString captionOf(const QAction* item) {
    QString caption = item->text();
    while (caption.endsWith(QLatin1Char('.')))
        caption.chop(1);
    return caption;
}

} // namespace

QString TfrmMain::selectionFolder() const {
    return pathText(folderPart(!selectedTrees_.empty()
                                   ? selectedTrees_.front() + "/"
                                   : (selectedFiles_.empty() ? "" : selectedFiles_.front())));
}

void TfrmMain::chooseFolder() {
    const QString folder = dialogs_.chooseFolder(this, captionOf(nopenfolder), selectionFolder());
    if (!folder.isEmpty())
        takeTrees({pathBytes(folder)});
}

void TfrmMain::runInto(const QAction* item, void (TfrmMain::*run)(const std::string&)) {
    if (selectedFiles_.empty() && selectedTrees_.empty()) {
        (this->*run)({});
        return;
    }
    const QString folder = dialogs_.chooseFolder(this, captionOf(item), selectionFolder());
    if (!folder.isEmpty())
        (this->*run)(pathBytes(folder));
}

void TfrmMain::takeTrees(std::vector<std::string> folders) {
    selectedTrees_ = std::move(folders);
    selectedFiles_.clear();
    edtdir->setText(pathText(selectedTrees_.front() + "/"));
}

Secret TfrmMain::passwordTyped() const {
    return secretOf(edtEnpass->text());
}

bool TfrmMain::getencsn(ContainerClass level, const Secret& password) {
    const PasswordVerdict verdict = Batch::passwordCheck(level, password.view());
    for (const std::string& message : wordedRejection(level, verdict, *texts_))
        report_->showMessage(message);
    return verdict.problem == PasswordProblem::None;
}

bool TfrmMain::somethingChosen(std::string_view nothingChosen) {
    report_->setProgress(0, int(selectedFiles_.size()));
    if (!selectedFiles_.empty() || !selectedTrees_.empty())
        return true;
    report_->showMessage(nothingChosen);
    chooseFiles();
    return false;
}

void TfrmMain::encryptSelection(const std::string& into) {
    if (!somethingChosen(texts_->msgNoImageEnc))
        return;
    const ContainerClass level = classChoice();
    // The run's own copy, kept as long as the run goes.
    auto password = std::make_shared<const Secret>(passwordTyped());
    if (!getencsn(level, *password))
        return;
    EncryptRequest request{.files = selectedFiles_,
                           .trees = selectedTrees_,
                           .ownFolderNames = outputFolderNames(),
                           .password = password->view(),
                           .containerClass = level,
                           .appendSuffix = rgsuffixItems->checkedId() == 1,
                           .hideNames = mhidenames->isChecked(),
                           .outputFolderName = std::string(texts_->encFolderName),
                           .into = into,
                           .thumbnail = pictures::makeThumbnail,
                           .removeOriginals = mremoveoriginals->isChecked()};
    startRun(RunCommand::Encrypt,
             [this, request = std::move(request), password](RunReport& report) {
                 return batch_.encrypt(request, report);
             });
}

void TfrmMain::decryptSelection(const std::string& into) {
    if (!somethingChosen(texts_->msgNoImageDec))
        return;
    auto password = std::make_shared<const Secret>(passwordTyped());
    DecryptRequest request{.files = selectedFiles_,
                           .trees = selectedTrees_,
                           .ownFolderNames = outputFolderNames(),
                           .password = password->view(),
                           .stripSuffix = rgsuffixItems->checkedId() == 1,
                           .outputFolderName = std::string(texts_->decFolderName),
                           .into = into};
    startRun(RunCommand::Decrypt,
             [this, request = std::move(request), password](RunReport& report) {
                 return batch_.decrypt(request, report);
             });
}

void TfrmMain::startRun(RunCommand command, RunThread::Work work) {
    report_->beginRun();
    run_->start(std::move(work),
                [this, command](const RunOutcome& outcome) { endRun(outcome, command); });
}

void TfrmMain::endRun(const RunOutcome& outcome, RunCommand command) {
    if (outcome.failure.empty()) {
        showEnd(outcome.result, command);
    } else {
        report_->showMessage(outcome.failure);
        setWindowHeight(WindowHeight::Resting);
        report_->endRun();
    }
    if (closeRequested_)
        close();
}

void TfrmMain::showEnd(const RunResult& result, RunCommand command) {
    const int count = result.count;
    const bool completed = result.end == RunEnd::Completed;
    if (completed) {
        if (command == RunCommand::Decrypt)
            wrongTries_.succeeded();
        report_->setProgress(count, count);
    }
    RunEndWords words = endWords(result, command, false, *texts_);
    // A close asked for during the run ends it without a word.
    if (result.end == RunEnd::Stopped && closeRequested_)
        words.messages.clear();
    for (const std::string& message : words.messages)
        report_->showMessage(message);
    if (result.end == RunEnd::WrongPassword && wrongTries_.failed()) {
        report_->setDecryptEnabled(false);
        report_->showMessage(texts_->msgTooManyTries);
    }
    if (!words.openFolder.empty() && report_->confirm(words.openFolder))
        openOutputFolder(result.outputFolder);
    if (completed)
        report_->setProgress(0, count);
    // A run stopped by a file error stays at its height, showing how far it went.
    const bool resting = result.started && result.end != RunEnd::FileFailed;
    if (resting)
        setWindowHeight(WindowHeight::Resting);
    report_->endRun();
}

void TfrmMain::openOutputFolder(const std::string& folder) {
    const QPointer<TfrmMain> window(this);
    const std::string shown = shownName(folder);
    dialogs_.openFolder(QUrl::fromLocalFile(pathText(folder + "/")), [window, shown] {
        if (window)
            window->report_->showMessage(filledIn(window->texts_->folderNotOpened, {shown}));
    });
}

} // namespace tarvex
