#include "WindowFixture.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTextBrowser>

namespace tarvex::testing {
namespace {

using StartState = WindowTest;

TEST_F(StartState, EveryControlSitsWhereTheLayoutPutsIt) {
    const struct {
        const char* name;
        QRect geometry;
    } layout[] = {
        {"lbopen", {8, 252, 73, 13}},        {"lbpassword", {8, 284, 73, 13}},
        {"lbpassnote", {168, 285, 217, 17}}, {"lbprogress", {376, 322, 73, 13}},
        {"btnenc", {387, 280, 60, 25}},      {"WebBrowser1", {8, 5, 500, 140}},
        {"edtdir", {80, 248, 353, 21}},      {"edtEnpass", {80, 280, 81, 21}},
        {"btnopen", {447, 248, 60, 25}},     {"btndec", {447, 280, 60, 25}},
        {"rgsuffix", {8, 152, 500, 41}},     {"gbencClass", {8, 200, 500, 41}},
        {"ProgressBar1", {8, 320, 361, 17}}, {"btncancel", {448, 317, 60, 25}},
    };
    for (const auto& expected : layout) {
        const QWidget* widget = control<QWidget>(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), window->centralWidget()) << expected.name;
        EXPECT_EQ(widget->geometry(), expected.geometry) << expected.name;
    }
}

TEST_F(StartState, RestsWithTheProgressRowOutOfViewAndCentred) {
    EXPECT_EQ(window->frameGeometry().width(), TfrmMain::outerWidth);
    EXPECT_EQ(contentHeight(), TfrmMain::restingContentHeight);
    for (const char* name : {"ProgressBar1", "lbprogress", "btncancel"})
        EXPECT_GE(control<QWidget>(name)->y(), contentHeight()) << name;
    for (const char* name : {"btnenc", "btndec", "edtEnpass", "lbpassnote"})
        EXPECT_LE(control<QWidget>(name)->geometry().bottom(), contentHeight()) << name;

    const QPoint desktopCentre = window->screen()->availableGeometry().center();
    EXPECT_NEAR(window->frameGeometry().center().x(), desktopCentre.x(), 2);
    EXPECT_NEAR(window->frameGeometry().center().y(), desktopCentre.y(), 2);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    // A window manager that honours the size hints offers no maximise for a window whose size
    // cannot change; openbox offers it for any other, whatever the window's flags.
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowIcon().isNull());
}

// A window manager may maximise the window although it has no maximise box, and the user may
// pull its edge: at rest it never grows to show the progress row with the last run's values.
TEST_F(StartState, KeepsItsRestingHeightWhateverTheWindowManagerDoes) {
    window->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->isMaximized());
    EXPECT_EQ(contentHeight(), TfrmMain::restingContentHeight);
    window->resize(window->width(), window->height() + 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(contentHeight(), TfrmMain::restingContentHeight);
}

TEST_F(StartState, StartsEmptyWithTheFirstItemsChosen) {
    EXPECT_TRUE(control<QLineEdit>("edtdir")->text().isEmpty());
    EXPECT_TRUE(control<QLineEdit>("edtEnpass")->text().isEmpty());
    EXPECT_TRUE(control<QLabel>("lbprogress")->text().isEmpty());
    EXPECT_EQ(control<QProgressBar>("ProgressBar1")->value(), 0);
    EXPECT_EQ(control<QButtonGroup>("rgsuffixItems")->checkedId(), 0);
    EXPECT_EQ(control<QButtonGroup>("gbencClassItems")->checkedId(), 0);
    for (const char* name : {"btnopen", "btnenc", "btndec", "btncancel", "edtEnpass"})
        EXPECT_TRUE(control<QWidget>(name)->isEnabled()) << name;

    EXPECT_TRUE(window->englishUi());
    EXPECT_TRUE(window->selectedFiles().empty());
}

// The entry takes whatever is typed, never cutting it: the rule of the class says what is too
// long.
TEST_F(StartState, PasswordEntryTakesAnyLengthAndShowsHashes) {
    auto* entry = control<QLineEdit>("edtEnpass");
    QTest::keyClicks(entry, QStringLiteral("correct horse battery staple"));
    EXPECT_EQ(entry->text(), QStringLiteral("correct horse battery staple"));
    EXPECT_EQ(entry->displayText(), QString(28, QLatin1Char('#')));
}

TEST_F(StartState, FolderFieldRefusesTyping) {
    auto* folder = control<QLineEdit>("edtdir");
    QTest::keyClicks(folder, QStringLiteral("typed"));
    EXPECT_TRUE(folder->isReadOnly());
    EXPECT_TRUE(folder->text().isEmpty());
}

TEST_F(StartState, NoCaptionCarriesAnAccessKeyAndNoItemAShortcut) {
    for (const QAbstractButton* control : window->findChildren<QAbstractButton*>())
        EXPECT_FALSE(control->text().contains(QLatin1Char('&')))
            << control->objectName().toStdString();
    for (const QAction* item : window->findChildren<QAction*>()) {
        EXPECT_FALSE(item->text().contains(QLatin1Char('&'))) << item->objectName().toStdString();
        EXPECT_TRUE(item->shortcut().isEmpty()) << item->objectName().toStdString();
    }
}

TEST_F(StartState, BannerLoadsTheEnglishPage) {
    const QUrl expected = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/site/kro/ead.htm"));
    EXPECT_EQ(control<QTextBrowser>("WebBrowser1")->source(), expected);
}

} // namespace
} // namespace tarvex::testing
