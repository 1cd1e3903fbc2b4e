#include "WindowFixture.h"
#include "desktop/QtText.h"
#include "texts/Catalogue.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <functional>

namespace tarvex::testing {
namespace {

using Language = WindowTest;

// Reads a text that the window shows from the control named `name`.
using ShownText = QString (*)(Language&, const char*);

QString caption(Language& test, const char* name) {
    return test.window->findChild<QWidget*>(QString::fromLatin1(name))->property("text").toString();
}
QString menuTitle(Language& test, const char* name) {
    return test.window->findChild<QMenu*>(QString::fromLatin1(name))->title();
}
QString itemText(Language& test, const char* name) {
    return test.window->findChild<QAction*>(QString::fromLatin1(name))->text();
}
QString groupTitle(Language& test, const char* name) {
    return test.window->findChild<QGroupBox*>(QString::fromLatin1(name))->title();
}
QString windowTitle(Language& test, const char*) {
    return test.window->windowTitle();
}
QString applicationTitleShown(Language&, const char*) {
    return applicationTitle();
}
QString entry(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// One text of the window: where it shows, and which text of its language's table it is.
struct Row {
    ShownText shown;
    const char* name;
    std::string_view LanguageTable::*text;
};

const std::vector<Row>& rows() {
    using T = LanguageTable;
    static const std::vector<Row> table{
        {caption, "btnopen", &T::btnopen},
        {caption, "btnenc", &T::btnenc},
        {menuTitle, "N1", &T::N1},
        {itemText, "N2", &T::N2},
        {itemText, "nview", &T::viewMenuItem},
        {itemText, "N5", &T::N5},
        {menuTitle, "N6", &T::N6},
        {itemText, "N7", &T::N7},
        {itemText, "N8", &T::N8},
        {menuTitle, "N11", &T::N11},
        {itemText, "nabout", &T::nabout},
        {menuTitle, "mdonate", &T::mdonate},
        {itemText, "ndonate", &T::ndonate},
        {groupTitle, "rgsuffix", &T::rgsuffixCaption},
        {caption, "rgsuffixItem0", &T::rgsuffixItem0},
        {caption, "rgsuffixItem1", &T::rgsuffixItem1},
        {groupTitle, "gbencClass", &T::gbencClassCaption},
        {caption, "gbencClassItem0", &T::gbencClassItem0},
        {caption, "gbencClassItem1", &T::gbencClassItem1},
        {caption, "lbopen", &T::lbopen},
        {caption, "lbpassword", &T::lbpassword},
        {caption, "btndec", &T::btndec},
        {caption, "lbpassnote", &T::lbpassnote},
        {caption, "btncancel", &T::btncancel},
        {windowTitle, "frmMain", &T::windowCaption},
        {applicationTitleShown, "", &T::applicationTitle},
        {menuTitle, "mlanguage", &T::languageMenu},
    };
    return table;
}

// Every text of the window is its language's, and so is every text that the runs read.
void expectLanguage(Language& test, bool english) {
    const LanguageTable& table = languageTable(english);
    for (const Row& row : rows()) {
        EXPECT_EQ(row.shown(test, row.name), entry(table.*row.text)) << row.name;
    }
    // The dialog's filter is the language's.
    test.dialogs.script.cancelNextDialog();
    test.window->findChild<QAbstractButton*>(QStringLiteral("btnopen"))->click();
    EXPECT_EQ(test.dialogs.dialogs.back().nameFilters, nameFiltersOf(table.openDialogFilter));
    // The language menu shows which of its two items is current.
    const auto checked = [&test](const char* name) {
        return test.window->findChild<QAction*>(QString::fromLatin1(name))->isChecked();
    };
    EXPECT_EQ(checked("men"), english);
    EXPECT_EQ(checked("mch"), !english);
}

TEST_F(Language, StartsInEnglish) {
    expectLanguage(*this, true);
}

TEST_F(Language, SwitchesToChineseAndBackRestoringEveryText) {
    // Choosing the current language again keeps it checked.
    action("men")->trigger();
    expectLanguage(*this, true);
    action("mch")->trigger();
    EXPECT_FALSE(window->englishUi());
    expectLanguage(*this, false);

    action("men")->trigger();
    EXPECT_TRUE(window->englishUi());
    expectLanguage(*this, true);
}

TEST_F(Language, AnyValueButOneAppliesChinese) {
    window->interfacelanguage(7);
    expectLanguage(*this, false);
    window->interfacelanguage(1);
    expectLanguage(*this, true);
}

TEST_F(Language, PlainMessagesCarryTheApplicationTitleOfTheLanguage) {
    action("mch")->trigger();
    dialogs.script.cancelNextDialog();
    button("btnenc")->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Tarvex照片批量加密工具"));
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("请先选择要加密的照片"));
}

} // namespace
} // namespace tarvex::testing
