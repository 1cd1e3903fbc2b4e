#include "WindowFixture.h"
#include "ui/untAbout.h"
#include "ui/untNote.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

namespace tarvex::testing {
namespace {

using Bindings = WindowTest;

QUrl besideProgram(const QString& name) {
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
}

TEST_F(Bindings, OpenButtonAndFileMenuChooseFiles) {
    for (const char* source : {"btnopen", "N2"}) {
        const std::string first = temp / "b.jpg";
        dialogs.script.chooseNextFiles({first, temp / "a.jpg"});
        if (QString::fromLatin1(source) == QStringLiteral("N2"))
            action("N2")->trigger();
        else
            button("btnopen")->click();

        ASSERT_FALSE(dialogs.dialogs.empty()) << source;
        EXPECT_EQ(dialogs.dialogs.back().filterIndex, 0) << source;
        ASSERT_EQ(window->selectedFiles().size(), 2u) << source;
        EXPECT_EQ(window->selectedFiles().front(), first) << source;
        EXPECT_EQ(control<QLineEdit>("edtdir")->text().toStdString(), temp.path() + "/") << source;
    }
    // The second opening starts in the folder of the first.
    EXPECT_EQ(dialogs.dialogs.back().initialFolder.toStdString(), temp.path() + "/");
}

TEST_F(Bindings, EncryptAndDecryptWithNothingChosenAskForFiles) {
    for (const char* command : {"btnenc", "btndec"}) {
        dialogs.messages.clear();
        dialogs.script.cancelNextDialog();
        button(command)->click();
        EXPECT_EQ(dialogs.messageTexts(), std::vector<QString>{QStringLiteral("No image selected")})
            << command;
    }
    EXPECT_EQ(dialogs.dialogs.size(), 2u);
}

TEST_F(Bindings, EnterPressesTheFocusedButton) {
    // The keypad's Enter comes with the keypad modifier.
    const std::pair<Qt::Key, Qt::KeyboardModifier> presses[] = {
        {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Enter, Qt::NoModifier},
        {Qt::Key_Enter, Qt::KeypadModifier}};
    for (const auto& [key, modifier] : presses) {
        dialogs.messages.clear();
        dialogs.script.cancelNextDialog();
        auto* encrypt = button("btnenc");
        encrypt->setFocus();
        QTest::keyClick(encrypt, key, modifier);
        EXPECT_EQ(dialogs.messageTexts(), std::vector<QString>{QStringLiteral("No image selected")})
            << key << " " << modifier;
    }
    // With a modifier, Enter presses nothing.
    dialogs.messages.clear();
    QTest::keyClick(button("btnenc"), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.messageTexts().empty());
}

// The control of the window that holds the focus: the control itself, or the one that the
// focused widget is part of (a radio item of its group).
QString focusedControl(TfrmMain& window) {
    for (const char* name : {"btnopen", "edtEnpass", "btnenc", "btndec", "edtdir", "WebBrowser1",
                             "rgsuffix", "gbencClass", "ProgressBar1", "btncancel"}) {
        const auto* control = window.findChild<QWidget*>(QString::fromLatin1(name));
        const QWidget* focused = QApplication::focusWidget();
        if (focused != nullptr && (control == focused || control->isAncestorOf(focused)))
            return QString::fromLatin1(name);
    }
    return QStringLiteral("none");
}

// Tab and Shift+Tab walk the designed order; the progress bar takes no stop, nor does Cancel while
// it is out of view.
TEST_F(Bindings, TabWalksTheDesignedOrderPastWhatIsOutOfView) {
    const QStringList order{QStringLiteral("btnopen"),  QStringLiteral("edtEnpass"),
                            QStringLiteral("btnenc"),   QStringLiteral("btndec"),
                            QStringLiteral("edtdir"),   QStringLiteral("WebBrowser1"),
                            QStringLiteral("rgsuffix"), QStringLiteral("gbencClass")};
    button("gbencClassItem1")->click();
    button("btnopen")->setFocus();
    for (const bool forward : {true, false}) {
        for (qsizetype step = 1; step <= order.size(); ++step) {
            const QString expected =
                order.at(((forward ? step : -step) % order.size() + order.size()) % order.size());
            // Shift+Tab comes as the back-tab key with Shift held.
            QTest::keyClick(QApplication::focusWidget(), forward ? Qt::Key_Tab : Qt::Key_Backtab,
                            forward ? Qt::NoModifier : Qt::ShiftModifier);
            EXPECT_TRUE(QTest::qWaitFor([&] { return focusedControl(*window) == expected; }, 5000))
                << (forward ? "Tab to " : "Shift+Tab to ") << expected.toStdString() << ", not "
                << focusedControl(*window).toStdString();
        }
    }
    // A radio group is entered at its chosen item.
    button("gbencClassItem0")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), button("gbencClassItem1"));
}

TEST_F(Bindings, OnlyCancelDuringARunAndEscapeWithoutAModifierStopIt) {
    source("a.jpg", 100, 1);
    source("b.jpg", 100, 2);
    select({temp / "a.jpg", temp / "b.jpg"});
    typePassword(QStringLiteral("secret1"));
    // A Cancel while no run is active is forgotten by the next run.
    button("btncancel")->click();
    atFile(temp / "b.jpg", [this] {
        for (const Qt::KeyboardModifier modifier :
             {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
            QTest::keyClick(control<QLineEdit>("edtEnpass"), Qt::Key_Escape, modifier);
    });
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    waitForRunEnd();
    EXPECT_TRUE(dialogs.messageTexts().empty());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.questions.front().startsWith(QStringLiteral("2 done")));
}

TEST_F(Bindings, ExitClosesTheWindowAndReleasesTheSelection) {
    select({temp / "a.jpg"});
    ASSERT_EQ(window->selectedFiles().size(), 1u);
    action("N5")->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->selectedFiles().empty());
}

TEST_F(Bindings, LinksOpenThePagesOfTheCurrentLanguage) {
    const QString site = QStringLiteral("site/kro/");
    const struct {
        const char* item;
        QUrl english;
        QUrl chinese;
    } links[] = {
        {"N7", besideProgram(QStringLiteral("ehelp.htm")),
         besideProgram(QStringLiteral("help.htm"))},
        {"N8", besideProgram(site + "ehelp.htm"), besideProgram(site + "help.htm")},
        {"nabout", besideProgram(site + "eabout.htm"), besideProgram(site + "about.htm")},
        {"ndonate", besideProgram(site + "edonate.htm"), besideProgram(site + "donate.htm")},
    };
    for (const bool english : {true, false, true}) {
        action(english ? "men" : "mch")->trigger();
        for (const auto& link : links) {
            action(link.item)->trigger();
            ASSERT_FALSE(dialogs.opened.empty());
            EXPECT_EQ(dialogs.opened.back(), english ? link.english : link.chinese) << link.item;
            EXPECT_TRUE(QFileInfo::exists(dialogs.opened.back().toLocalFile())) << link.item;
        }
    }
}

TEST_F(Bindings, AboutWindowShowsItsPictureAndOpensTheHomePage) {
    QSize shownSize;
    QSize pictureSize;
    onNextMessages([&] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        shownSize = about->size();
        pictureSize = about->findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().size();
        QTest::mouseClick(about->findChild<QLabel*>(QStringLiteral("Image1")), Qt::LeftButton);
        QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(600, 300));
        about->close();
    });
    window->N10Click();

    EXPECT_EQ(shownSize, TfrmAbout::contentSize);
    EXPECT_EQ(pictureSize, QSize(201, 139));
    const QUrl home = besideProgram(QStringLiteral("site/index.htm"));
    EXPECT_EQ(dialogs.opened, (std::vector<QUrl>{home, home}));
}

TEST_F(Bindings, NoteWindowShowsTheUsageNotes) {
    TfrmNote note(window.get());
    TfrmAbout about(dialogs, &note, window.get());
    EXPECT_FALSE(note.isVisible());
    about.Button2Click();
    EXPECT_TRUE(note.isVisible());
    EXPECT_EQ(note.size(), TfrmNote::contentSize);
    EXPECT_EQ(note.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().size(), QSize(558, 197));
    EXPECT_EQ(note.windowTitle(), QStringLiteral("Help"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    note.close();
}

} // namespace
} // namespace tarvex::testing
