#include "WindowFixture.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <functional>

namespace tarvex::testing {
namespace {

using Language = WindowTest;

// One text of the interface: where to read it, and its English and Chinese values.
struct Row {
    int number;
    std::function<QString(Language&)> read;
    const char* english;
    const char* chinese;
};

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
QString entry(const std::string& text) {
    return QString::fromStdString(text);
}

// The filter that the open dialog is given, its entries joined by "|".
QString dialogFilter(Language& test) {
    test.dialogs.script.cancelNextDialog();
    test.window->findChild<QAbstractButton*>(QStringLiteral("btnopen"))->click();
    return test.dialogs.dialogs.back().nameFilters.join(QLatin1Char('|'));
}

const std::vector<Row>& rows() {
    using L = Language;
    static const std::vector<Row> table{
        {1, [](L& t) { return caption(t, "btnopen"); }, "Open", "打开"},
        {2, [](L& t) { return caption(t, "btnenc"); }, "Encrypt", "加密"},
        {3, [](L& t) { return menuTitle(t, "N1"); }, "  File   ", "文件"},
        {4, [](L& t) { return itemText(t, "N2"); }, "Open", "打开"},
        {5, [](L& t) { return itemText(t, "N5"); }, "Exit", "退出"},
        {6, [](L& t) { return menuTitle(t, "N6"); }, "   Help  ", "帮助"},
        {7, [](L& t) { return itemText(t, "N7"); }, "Content", "说明"},
        {8, [](L& t) { return itemText(t, "N8"); }, "Online help", "在线帮助"},
        {9, [](L& t) { return menuTitle(t, "N11"); }, "   About  ", "关于"},
        {10, [](L& t) { return itemText(t, "nabout"); }, "About Tarvex", "关于 Tarvex"},
        {11, [](L& t) { return menuTitle(t, "mdonate"); }, "  Donate  ", "捐助"},
        {12, [](L& t) { return itemText(t, "ndonate"); }, "Donate", "捐助"},
        {13, [](L& t) { return groupTitle(t, "rgsuffix"); }, "Suffix of encrypted images",
         "加密照片后缀名"},
        {14, [](L& t) { return caption(t, "rgsuffixItem0"); }, "Normal, abc.JPG --> abc.JPG",
         "不变, abc.JPG --> abc.JPG"},
        {15, [](L& t) { return caption(t, "rgsuffixItem1"); }, "Adding 'E', abc.JPG --> abc.JPGE",
         "加 'E', abc.JPG --> abc.JPGE"},
        {16, [](L& t) { return groupTitle(t, "gbencClass"); }, "Encryption class", "加密级别"},
        {17, [](L& t) { return caption(t, "gbencClassItem0"); },
         "Standard (64 bits key, quick encrypt)", "标准加密（64位加密，迅捷加密）"},
        {18, [](L& t) { return caption(t, "gbencClassItem1"); },
         "High level (256 bits key, will need more time)", "高级加密（256位加密，但比较费时）"},
        {19, [](L& t) { return caption(t, "lbopen"); }, "   Open folder", "打开文件夹"},
        {20, [](L& t) { return caption(t, "lbpassword"); }, "     Password", "　　　密码"},
        {21, [](L& t) { return caption(t, "btndec"); }, "Decrypt", "解密"},
        {22, [](L& t) { return caption(t, "lbpassnote"); },
         "5 - 10 bits, support all Chars except blank", "5 - 10 位, 支持除空格外所有字符"},
        {23, [](L& t) { return entry(t.window->sharedState().catalogue.encFolderName); },
         "encrypted", "已加密"},
        {24, [](L& t) { return entry(t.window->sharedState().catalogue.decFolderName); },
         "decrypted", "已解密"},
        {25, [](L& t) { return entry(t.window->sharedState().catalogue.msgNoBlank); },
         "No blank allowd in password", "密码不支持空格"},
        {26, [](L& t) { return entry(t.window->sharedState().catalogue.msgIllegalChar); },
         "Found illegal char(s) in passowrd", "密码有不支持的字符"},
        {27, [](L& t) { return entry(t.window->sharedState().catalogue.msgTooShort); },
         "Password length should large than 4 bits", "密码必需大于4位！"},
        {28, [](L& t) { return entry(t.window->sharedState().catalogue.msgEncDone); },
         " done, will open the encrypted folder: ", " 个加密完成。打开文件夹："},
        {29, [](L& t) { return entry(t.window->sharedState().catalogue.msgNoImageEnc); },
         "No image selected", "请先选择要加密的照片"},
        {30, [](L& t) { return entry(t.window->sharedState().catalogue.msgNoImageDec); },
         "No image selected", "请先选择要解密的照片"},
        {31, [](L& t) { return entry(t.window->sharedState().catalogue.msgNotContainer); },
         "No Tarvex encrypted image found, should continue anyway?",
         "你要解密的不是Tarvex加密格式的文件，要继续吗？"},
        {32, [](L& t) { return entry(t.window->sharedState().catalogue.msgDecDone); },
         " done, will open the decrypted folder:", " 个解密完成。打开文件夹："},
        {33, [](L& t) { return entry(t.window->sharedState().catalogue.msgIllegalPassword); },
         "Illegal password", "密码错误"},
        {34, [](L& t) { return entry(t.window->sharedState().catalogue.msgTooManyTries); },
         "You have tried 10 times, no more allowd, you need to exit and relaunch if you want "
         "more tryies",
         "你已经连续10次密码错误，如果你不是机器人，可以重起本软件，继续尝试！"},
        {35, dialogFilter,
         "JPG; GIF; PNG; BMP; SVG; PAD (*.JPG *.GIF *.PNG *.BMP *.SVG *.PAD *.***E)|"
         "All (*.*) (*)",
         "JPG;GIF;PNG;BMP;SVG;PAD;TVX (*.JPG *.GIF *.PNG *.BMP *.SVG *.PAD *.***E)|"
         "所有 (*.*) (*)"},
        {36, [](L& t) { return entry(t.window->sharedState().catalogue.msgCanceled); }, "Canceled!",
         "已取消！"},
        {37, [](L& t) { return caption(t, "btncancel"); }, "Cancel", "取消"},
        {38, [](L& t) { return t.window->windowTitle(); },
         "Free Tarvex Image Encrypt Batch Tools v2.0.3", "Tarvex照片批量加密工具v2.0.3"},
        {39, [](L&) { return applicationTitle(); }, "Free Tarvex Image Encrypt Tool",
         "Tarvex照片批量加密工具"},
        // The language menu, which the window adds.
        {40, [](L& t) { return menuTitle(t, "mlanguage"); }, "Language", "语言"},
        {41, [](L& t) { return itemText(t, "men"); }, "English", "English"},
        {42, [](L& t) { return itemText(t, "mch"); }, "中文", "中文"},
    };
    return table;
}

void expectLanguage(Language& test, bool english) {
    for (const Row& row : rows()) {
        const QString expected = QString::fromUtf8(english ? row.english : row.chinese);
        EXPECT_EQ(row.read(test), expected) << "row " << row.number;
    }
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
    EXPECT_FALSE(window->sharedState().englishUi);
    expectLanguage(*this, false);

    action("men")->trigger();
    EXPECT_TRUE(window->sharedState().englishUi);
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
