#include "WindowFixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

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
    waitForRunEnd();
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
    waitForRunEnd();
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
    waitForRunEnd();
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
    waitForRunEnd();
    EXPECT_EQ(dialogs.questions.back(),
              QStringLiteral("1 done, will open the encrypted folder: \n") +
                  QString::fromStdString(temp / "vault"));
    EXPECT_TRUE(exists(temp / "vault/a.jpg"));

    select({temp / "vault/a.jpg"});
    dialogs.script.chooseNextFiles({temp / "back"});
    dialogs.script.answerNextQuestion(false);
    action("nrestoreto")->trigger();
    waitForRunEnd();
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
    waitForRunEnd();
    ASSERT_EQ(control<QLabel>("lbprogress")->text(), QStringLiteral("1/1"));
    action("mclass_protected")->trigger();
    dialogs.passwordTypedAgain = QStringLiteral("s3cret!");
    // A passphrase that falls within a year is used when the user says so.
    dialogs.script.answerNextQuestion(true);
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    // The progress row says that a key is derived, and shows no count of the run before.
    const bool busySeen = QTest::qWaitFor(
        [this] {
            auto* busy = control<QLabel>("lbbusy");
            return busy->isVisible() && busy->text().startsWith(QStringLiteral("Deriving")) &&
                   control<QLabel>("lbprogress")->text().isEmpty();
        },
        20'000);
    waitForRunEnd();
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
    waitForRunEnd();
    select({temp / "encrypted/plain.jpg", temp / "encrypted/photo.jpg.tvx"});
    auto* bar = control<QProgressBar>("ProgressBar1");
    std::vector<int> barValues;
    QObject::connect(bar, &QProgressBar::valueChanged, bar,
                     [&barValues](int value) { barValues.push_back(value); });
    dialogs.script.answerNextQuestion(false);
    button("btndec")->click();
    waitForRunEnd();
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/photo.jpg"), readFile(photo));
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/plain.jpg"), readFile(plain));
    EXPECT_TRUE(dialogs.messages.empty());
    // One, two, and back to none at the end.
    EXPECT_EQ(barValues, (std::vector<int>{1, 2, 0}));
}

TEST_F(Runs, ChineseRunsWriteIntoTheChineseFolder) {
    const std::string photo = source("photo.jpg", 500, 3);
    action("mch")->trigger();
    select({photo});
    typePassword(QStringLiteral("abcde"));
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    waitForRunEnd();
    EXPECT_TRUE(exists(temp / "已加密/photo.jpg"));
    EXPECT_TRUE(dialogs.opened.empty());
}

TEST_F(Runs, EscapeCancelsTheRun) {
    const std::vector<std::string> files{source("a.jpg", 100, 1), source("b.jpg", 100, 2),
                                         source("c.jpg", 100, 3)};
    select(files);
    typePassword(QStringLiteral("abcde"));
    atFile(files[1], [this] { QTest::keyClick(control<QLineEdit>("edtEnpass"), Qt::Key_Escape); });
    button("btnenc")->click();
    waitForRunEnd();

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
    atFile(temp / "c.jpg", [this] { button("btncancel")->click(); });
    button("btnenc")->click();
    waitForRunEnd();

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
    atFile(temp / "b.jpg", [&] {
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
    waitForRunEnd();

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
    atFile(temp / "b.jpg", [&] { focusDuringRun = window->focusWidget(); });
    dialogs.script.answerNextQuestion(false);
    auto* encrypt = button("btnenc");
    encrypt->setFocus();
    QTest::keyClick(encrypt, Qt::Key_Space);
    waitForRunEnd();
    EXPECT_EQ(focusDuringRun, button("btncancel"));
    EXPECT_EQ(window->focusWidget(), encrypt);
}

TEST_F(Runs, GrowingForARunKeepsTheTopEdge) {
    const int top = window->frameGeometry().top();
    select({source("a.jpg", 100, 1), source("b.jpg", 100, 2)});
    typePassword(QStringLiteral("abcde"));
    int topDuringRun = -1;
    atFile(temp / "b.jpg", [&] { topDuringRun = window->frameGeometry().top(); });
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    waitForRunEnd();
    EXPECT_EQ(topDuringRun, top);
    EXPECT_EQ(window->frameGeometry().top(), top);
}

TEST_F(Runs, ClosingDuringARunEndsItWithoutAWord) {
    select({source("a.jpg", 100, 1), source("b.jpg", 100, 2), source("c.jpg", 100, 3)});
    typePassword(QStringLiteral("abcde"));
    atFile(temp / "b.jpg", [this] {
        window->close();
        // The window waits for the run.
        EXPECT_TRUE(window->isVisible());
    });
    button("btnenc")->click();
    waitForRunEnd();

    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_TRUE(exists(temp / "encrypted/a.jpg"));
    EXPECT_FALSE(exists(temp / "encrypted/b.jpg"));
    EXPECT_TRUE(window->selectedFiles().empty());
}

// A window that goes while its run reads waits for the run, which stops: what it wrote is
// complete, and nothing of the file it was reading is left.
TEST_F(Runs, AWindowThatGoesDuringARunWaitsForIt) {
    select({source("a.jpg", 300'000, 1), source("b.jpg", 300'000, 2), source("c.jpg", 100, 3)});
    typePassword(QStringLiteral("abcde"));
    heldFiles.holdAt(temp / "b.jpg");
    button("btnenc")->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return heldFiles.holding(); }, 20'000));
    std::atomic<bool> released = false;
    std::thread releaser([this, &released] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        released = true;
        heldFiles.release();
    });
    window.reset();
    EXPECT_TRUE(released) << "the window went before its run";
    releaser.join();
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(temp / "encrypted"))
        written.push_back(entry.path().filename().string());
    EXPECT_EQ(written, std::vector<std::string>{"a.jpg"});
    EXPECT_TRUE(dialogs.messages.empty());
}

// A window that goes while its run waits for an answer answers No for it: the run ends, without
// a box.
TEST_F(Runs, AWindowThatGoesWhileItsRunAsksAnswersNo) {
    select({source("photo.jpg", 1000, 1)});
    action("mclass_protected")->trigger();
    typePassword(QStringLiteral("s3cret!"));
    button("btnenc")->click();
    // Long enough for the run to wait for the box, which the window's thread does not show.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    window.reset();
    EXPECT_TRUE(dialogs.passwordQuestions.empty());
    EXPECT_FALSE(exists(temp / "encrypted/photo.jpg.tvx"));
}

// Counts the queued calls that the window's thread handles while it is installed.
class QueuedCalls final : public QObject {
public:
    QueuedCalls() { QCoreApplication::instance()->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MetaCall)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

// A window too busy to show each count of a run shows the latest once it can: the counts handed
// over meanwhile come as one call, which does not flood the window's queue.
TEST_F(Runs, CountsHandedOverMeanwhileComeAsTheLatest) {
    std::vector<std::string> paths;
    for (int i = 10; i < 40; ++i)
        paths.push_back(source("f" + std::to_string(i) + ".jpg", 100, unsigned(i)));
    select(paths);
    typePassword(QStringLiteral("abcde"));
    heldFiles.holdAt(paths[1]);
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return heldFiles.holding(); }, 20'000));
    QCoreApplication::processEvents();
    ASSERT_EQ(control<QLabel>("lbprogress")->text(), QStringLiteral("1/30"));

    // The window's thread handles nothing while the run goes on to its last file.
    heldFiles.holdAt(paths.back());
    for (int wait = 0; wait < 20'000 && !heldFiles.holding(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(heldFiles.holding());
    auto* bar = control<QProgressBar>("ProgressBar1");
    std::vector<int> barValues;
    QObject::connect(bar, &QProgressBar::valueChanged, bar,
                     [&barValues](int value) { barValues.push_back(value); });
    {
        const QueuedCalls calls;
        QCoreApplication::processEvents();
        EXPECT_EQ(calls.count, 1);
    }
    EXPECT_EQ(barValues, std::vector<int>{29});
    EXPECT_EQ(control<QLabel>("lbprogress")->text(), QStringLiteral("29/30"));
    heldFiles.release();
    waitForRunEnd();
    EXPECT_EQ(control<QLabel>("lbprogress")->text(), QStringLiteral("30/30"));
}

TEST_F(Runs, DecryptStaysLockedAfterTenWrongPasswordsWhateverRunsFollow) {
    const std::string photo = source("photo.jpg", 100, 1);
    select({photo});
    typePassword(QStringLiteral("right1"));
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    waitForRunEnd();

    select({temp / "encrypted/photo.jpg"});
    typePassword(QStringLiteral("wrong1"));
    for (int attempt = 0; attempt < 10; ++attempt) {
        button("btndec")->click();
        waitForRunEnd();
    }
    EXPECT_FALSE(button("btndec")->isEnabled());
    EXPECT_EQ(dialogs.messageTexts().back(),
              QStringLiteral("You have tried 10 times, no more allowd, you need to exit and "
                             "relaunch if you want more tryies"));

    // An encrypt run disables and enables the run controls; Decrypt stays locked.
    select({photo});
    typePassword(QStringLiteral("right1"));
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    waitForRunEnd();
    EXPECT_TRUE(button("btnenc")->isEnabled());
    EXPECT_FALSE(button("btndec")->isEnabled());
}

} // namespace
} // namespace tarvex::testing
