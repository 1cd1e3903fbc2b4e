#include "WindowFixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <filesystem>
#include <functional>

namespace tarvex::testing {
namespace {

using Runs = WindowTest;

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

TEST_F(Runs, EncryptsAndDecryptsFromTheWindow) {
    const std::string first = source("first.jpg", 3000, 1);
    const std::string second = source("second.PNG", 70001, 2);
    button("rgsuffixItem1")->click();
    button("gbencClassItem1")->click();
    select({first, second});
    typePassword(QStringLiteral("s3cret!"));

    dialogs.script.answerNextQuestion(true);
    button("btnenc")->click();
    const QString folder = QString::fromStdString(temp.path());
    EXPECT_EQ(dialogs.questions,
              std::vector<QString>{QStringLiteral("2 done, will open the encrypted folder: \n") +
                                   folder + QStringLiteral("/encrypted")});
    EXPECT_EQ(dialogs.opened, std::vector<QUrl>{QUrl::fromLocalFile(folder + "/encrypted/")});
    EXPECT_EQ(control<QLabel>("lbprogress")->text(), QStringLiteral("2/2"));
    EXPECT_EQ(control<QProgressBar>("ProgressBar1")->value(), 0);
    EXPECT_EQ(contentHeight(), TfrmMain::restingContentHeight);
    ASSERT_TRUE(exists(temp / "encrypted/first.jpgE"));
    ASSERT_TRUE(exists(temp / "encrypted/second.PNGE"));

    // The containers are chosen with "add E" still selected, so the restored names lose it.
    select({temp / "encrypted/first.jpgE", temp / "encrypted/second.PNGE"});
    dialogs.script.answerNextQuestion(true);
    button("btndec")->click();
    const QString encrypted = folder + QStringLiteral("/encrypted/");
    EXPECT_EQ(dialogs.questions.back(),
              QStringLiteral("2 done, will open the decrypted folder:\n") + encrypted +
                  QStringLiteral("decrypted"));
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/first.jpg"), readFile(first));
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/second.PNG"), readFile(second));
    EXPECT_TRUE(dialogs.messages.empty());

    // A desktop without a file manager for the folder is told of in the window.
    dialogs.noFileManager = true;
    dialogs.script.answerNextQuestion(true);
    button("btndec")->click();
    EXPECT_EQ(
        dialogs.messageTexts(),
        std::vector<QString>{QStringLiteral("The folder \"") + encrypted +
                             QStringLiteral("decrypted\" could not be opened: the desktop has "
                                            "no file manager for it.")});
}

// "Encrypt to..." and "Restore to..." write straight into the folder chosen for the run, and
// a Cancel of that choice runs nothing.
TEST_F(Runs, TheRunsToAFolderWriteIntoTheFolderChosen) {
    const std::string picture = source("a.jpg", 3000, 1);
    std::filesystem::create_directories(temp / "vault");
    std::filesystem::create_directories(temp / "back");
    select({picture});
    typePassword(QStringLiteral("s3cret!"));

    dialogs.script.cancelNextDialog();
    action("nencryptto")->trigger();
    EXPECT_FALSE(exists(temp / "encrypted"));
    EXPECT_TRUE(dialogs.questions.empty());

    dialogs.script.chooseNextFiles({temp / "vault"});
    dialogs.script.answerNextQuestion(false);
    action("nencryptto")->trigger();
    EXPECT_EQ(dialogs.questions.back(),
              QStringLiteral("1 done, will open the encrypted folder: \n") +
                  QString::fromStdString(temp / "vault"));
    EXPECT_TRUE(exists(temp / "vault/a.jpg"));

    select({temp / "vault/a.jpg"});
    dialogs.script.chooseNextFiles({temp / "back"});
    dialogs.script.answerNextQuestion(false);
    action("nrestoreto")->trigger();
    EXPECT_EQ(readFile(temp / "back/a.jpg"), readFile(picture));
    EXPECT_FALSE(exists(temp / "encrypted"));
    EXPECT_FALSE(exists(temp / "vault/decrypted"));
}

// The class menu chooses among every class; the radio group follows it for the classes it has
// and is greyed while the one it has no item for is chosen, which the menu bar then shows.
TEST_F(Runs, TheClassMenuAndTheRadioGroupGoTogether) {
    auto* group = control<QWidget>("gbencClass");
    auto* sign = control<QWidget>("protectedSign");
    EXPECT_TRUE(action("mclass_standard")->isChecked());
    action("mclass_high")->trigger();
    EXPECT_TRUE(button("gbencClassItem1")->isChecked());
    button("gbencClassItem0")->click();
    EXPECT_TRUE(action("mclass_standard")->isChecked());
    EXPECT_FALSE(sign->isVisible());

    // Hidden names and the removing of originals go with the class that protects, and an
    // original goes only when the user says so for this start.
    EXPECT_FALSE(action("mhidenames")->isEnabled());
    EXPECT_FALSE(action("mremoveoriginals")->isEnabled());
    action("mclass_protected")->trigger();
    EXPECT_FALSE(group->isEnabled());
    EXPECT_TRUE(sign->isVisible());
    EXPECT_FALSE(group->toolTip().isEmpty());
    EXPECT_TRUE(action("mhidenames")->isEnabled());
    EXPECT_TRUE(action("mremoveoriginals")->isEnabled());
    EXPECT_FALSE(action("mremoveoriginals")->isChecked());
    action("mclass_standard")->trigger();
    EXPECT_TRUE(group->isEnabled());
    EXPECT_FALSE(sign->isVisible());
    EXPECT_FALSE(action("mremoveoriginals")->isEnabled());
}

// A Protected run in the window asks for the password again in a box of its own, and derives its
// key while the window goes on: the progress row shows work going on, and the group of classes
// stays greyed after the run.
TEST_F(Runs, AProtectedRunKeepsTheWindowLiveWhileItsKeyIsDerived) {
    const std::string photo = source("photo.jpg", 80'000, 4);
    select({photo});
    typePassword(QStringLiteral("s3cret!"));
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    ASSERT_EQ(control<QLabel>("lbprogress")->text(), QStringLiteral("1/1"));
    action("mclass_protected")->trigger();
    dialogs.passwordTypedAgain = QStringLiteral("s3cret!");
    // A passphrase that falls within a year is used when the user says so.
    dialogs.script.answerNextQuestion(true);
    // The progress row says that a key is derived, and shows no count of the run before.
    bool busySeen = false;
    int busyChecks = 0;
    std::function<void()> watch = [&] {
        auto* busy = control<QLabel>("lbbusy");
        busySeen =
            busySeen || (busy->isVisible() && busy->text().startsWith(QStringLiteral("Deriving")) &&
                         control<QLabel>("lbprogress")->text().isEmpty());
        if (++busyChecks < 200 && !busySeen)
            onNextMessages(watch);
    };
    onNextMessages(watch);
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    ASSERT_EQ(dialogs.passwordQuestions.size(), 1u);
    EXPECT_TRUE(dialogs.passwordQuestions.front().contains(QStringLiteral("1,000 GPUs")));
    ASSERT_GE(dialogs.questions.size(), 2u);
    EXPECT_TRUE(dialogs.questions[1].endsWith(QStringLiteral("Use it anyway?")));
    EXPECT_TRUE(busySeen) << "the window did not run while the key was derived";
    EXPECT_FALSE(control<QWidget>("gbencClass")->isEnabled());
    const std::vector<std::uint8_t> text = readFile(temp / "encrypted/photo.jpg.tvx");
    EXPECT_TRUE(std::string(text.begin(), text.end()).ends_with("$$$$\r\n"));

    // A decrypt run that meets its first Protected file after a Standard one derives the key in
    // the middle and then goes on counting on the bar it had.
    const std::string plain = source("plain.jpg", 500, 5);
    action("mclass_standard")->trigger();
    select({plain});
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    select({temp / "encrypted/plain.jpg", temp / "encrypted/photo.jpg.tvx"});
    int barAtLastFile = -1;
    int checks = 0;
    std::function<void()> watchLast = [&] {
        if (control<QLabel>("lbprogress")->text() == QStringLiteral("2/2"))
            barAtLastFile = control<QProgressBar>("ProgressBar1")->value();
        else if (++checks < 10'000)
            onNextMessages(watchLast);
    };
    onNextMessages(watchLast);
    dialogs.script.answerNextQuestion(false);
    button("btndec")->click();
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/photo.jpg"), readFile(photo));
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/plain.jpg"), readFile(plain));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(barAtLastFile, 2);
}

TEST_F(Runs, ChineseRunsWriteIntoTheChineseFolder) {
    const std::string photo = source("photo.jpg", 500, 3);
    action("mch")->trigger();
    select({photo});
    typePassword(QStringLiteral("abcde"));
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    EXPECT_TRUE(exists(temp / "已加密/photo.jpg"));
    EXPECT_TRUE(dialogs.opened.empty());
}

TEST_F(Runs, EscapeCancelsTheRun) {
    const std::vector<std::string> files{source("a.jpg", 100, 1), source("b.jpg", 100, 2),
                                         source("c.jpg", 100, 3)};
    select(files);
    typePassword(QStringLiteral("abcde"));
    whenProgressReads(QStringLiteral("1/3"),
                      [this] { QTest::keyClick(control<QLineEdit>("edtEnpass"), Qt::Key_Escape); });
    button("btnenc")->click();

    EXPECT_EQ(dialogs.messageTexts(), std::vector<QString>{QStringLiteral("Canceled!")});
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(control<QLabel>("lbprogress")->text(), QStringLiteral("1/3"));
    EXPECT_EQ(control<QProgressBar>("ProgressBar1")->value(), 1);
    EXPECT_TRUE(exists(temp / "encrypted/a.jpg"));
    EXPECT_FALSE(exists(temp / "encrypted/b.jpg"));
    EXPECT_EQ(contentHeight(), TfrmMain::restingContentHeight);
}

// The progress row paints at most once a frame during a run; a run stopped between two frames
// shows its last count, and the row paints again after it.
TEST_F(Runs, TheProgressRowPaintsAgainWhenARunStopsBetweenFrames) {
    select({source("a.jpg", 100, 1), source("b.jpg", 100, 2), source("c.jpg", 100, 3)});
    typePassword(QStringLiteral("abcde"));
    // Cancel after the second file, a moment after the first.
    whenProgressReads(QStringLiteral("2/3"), [this] { button("btncancel")->click(); });
    button("btnenc")->click();

    EXPECT_EQ(dialogs.messageTexts(), std::vector<QString>{QStringLiteral("Canceled!")});
    EXPECT_EQ(control<QLabel>("lbprogress")->text(), QStringLiteral("2/3"));
    for (const char* name : {"lbprogress", "ProgressBar1"})
        EXPECT_TRUE(control<QWidget>(name)->updatesEnabled()) << name;
}

TEST_F(Runs, ControlsAreDisabledDuringARunAndEnabledAfter) {
    select({source("a.jpg", 100, 1), source("b.jpg", 100, 2)});
    typePassword(QStringLiteral("abcde"));
    const std::vector<const char*> refused{"btnopen",         "btnenc",         "btndec",
                                           "edtEnpass",       "rgsuffixItem0",  "rgsuffixItem1",
                                           "gbencClassItem0", "gbencClassItem1"};
    std::vector<bool> enabledDuringRun;
    bool cancelEnabled = false;
    bool openItemEnabled = true;
    bool languageEnabled = true;
    bool classMenuEnabled = true;
    int heightDuringRun = 0;
    onNextMessages([&] {
        for (const char* name : refused)
            enabledDuringRun.push_back(control<QWidget>(name)->isEnabled());
        cancelEnabled = button("btncancel")->isEnabled();
        openItemEnabled = action("N2")->isEnabled();
        languageEnabled = action("mch")->isEnabled();
        classMenuEnabled = action("mclass")->isEnabled();
        heightDuringRun = contentHeight();
    });
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();

    EXPECT_EQ(enabledDuringRun, std::vector<bool>(refused.size(), false));
    EXPECT_FALSE(openItemEnabled);
    EXPECT_FALSE(languageEnabled);
    EXPECT_FALSE(classMenuEnabled);
    EXPECT_TRUE(cancelEnabled);
    // During the run the whole progress row is in view.
    EXPECT_EQ(heightDuringRun, TfrmMain::runningContentHeight);
    for (const char* name : {"ProgressBar1", "lbprogress", "btncancel"})
        EXPECT_LE(control<QWidget>(name)->geometry().bottom(), heightDuringRun) << name;

    for (const char* name : refused)
        EXPECT_TRUE(control<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(action("N2")->isEnabled());
    EXPECT_TRUE(action("mch")->isEnabled());
}

// During a run the focus is on Cancel, the one control that acts then, not in the read-only
// folder field; it comes back to the pressed button after.
TEST_F(Runs, FocusIsOnCancelDuringARunAndBackOnThePressedButtonAfter) {
    select({source("a.jpg", 100, 1), source("b.jpg", 100, 2)});
    typePassword(QStringLiteral("abcde"));
    QWidget* focusDuringRun = nullptr;
    onNextMessages([&] { focusDuringRun = window->focusWidget(); });
    dialogs.script.answerNextQuestion(false);
    auto* encrypt = button("btnenc");
    encrypt->setFocus();
    QTest::keyClick(encrypt, Qt::Key_Space);
    EXPECT_EQ(focusDuringRun, button("btncancel"));
    EXPECT_EQ(window->focusWidget(), encrypt);
}

TEST_F(Runs, GrowingForARunKeepsTheTopEdge) {
    const int top = window->frameGeometry().top();
    select({source("a.jpg", 100, 1), source("b.jpg", 100, 2)});
    typePassword(QStringLiteral("abcde"));
    int topDuringRun = -1;
    onNextMessages([&] { topDuringRun = window->frameGeometry().top(); });
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    EXPECT_EQ(topDuringRun, top);
    EXPECT_EQ(window->frameGeometry().top(), top);
}

TEST_F(Runs, ClosingDuringARunEndsItWithoutAWord) {
    select({source("a.jpg", 100, 1), source("b.jpg", 100, 2), source("c.jpg", 100, 3)});
    typePassword(QStringLiteral("abcde"));
    whenProgressReads(QStringLiteral("1/3"), [this] { window->close(); });
    button("btnenc")->click();

    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_TRUE(exists(temp / "encrypted/a.jpg"));
    EXPECT_FALSE(exists(temp / "encrypted/b.jpg"));
    EXPECT_TRUE(window->selectedFiles().empty());
}

TEST_F(Runs, DecryptStaysLockedAfterTenWrongPasswordsWhateverRunsFollow) {
    const std::string photo = source("photo.jpg", 100, 1);
    select({photo});
    typePassword(QStringLiteral("right1"));
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();

    select({temp / "encrypted/photo.jpg"});
    typePassword(QStringLiteral("wrong1"));
    for (int attempt = 0; attempt < 10; ++attempt)
        button("btndec")->click();
    EXPECT_FALSE(button("btndec")->isEnabled());
    EXPECT_EQ(dialogs.messageTexts().back(),
              QStringLiteral("You have tried 10 times, no more allowd, you need to exit and "
                             "relaunch if you want more tryies"));

    // An encrypt run disables and enables the run controls; Decrypt stays locked.
    select({photo});
    typePassword(QStringLiteral("right1"));
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    EXPECT_TRUE(button("btnenc")->isEnabled());
    EXPECT_FALSE(button("btndec")->isEnabled());
}

} // namespace
} // namespace tarvex::testing
