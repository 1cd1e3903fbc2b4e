#include "ui/catalogue/Catalogue.h"

namespace tarvex {

namespace {

constexpr LanguageTable english{
    .btnopen = "Open",
    .btnenc = "Encrypt",
    .N1 = "  File   ",
    .N2 = "Open",
    .N5 = "Exit",
    .N6 = "   Help  ",
    .N7 = "Content",
    .N8 = "Online help",
    .N11 = "   About  ",
    .nabout = "About Tarvex",
    .mdonate = "  Donate  ",
    .ndonate = "Donate",
    .rgsuffixCaption = "Suffix of encrypted images",
    .rgsuffixItem0 = "Normal, abc.JPG --> abc.JPG",
    .rgsuffixItem1 = "Adding 'E', abc.JPG --> abc.JPGE",
    .gbencClassCaption = "Encryption class",
    .gbencClassItem0 = "Standard (64 bits key, quick encrypt)",
    .gbencClassItem1 = "High level (256 bits key, will need more time)",
    .lbopen = "   Open folder",
    .lbpassword = "     Password",
    .btndec = "Decrypt",
    .lbpassnote = "5 - 10 bits, support all Chars except blank",
    .run =
        {
            .encFolderName = "encrypted",
            .decFolderName = "decrypted",
            .msgNoBlank = "No blank allowd in password",
            .msgIllegalChar = "Found illegal char(s) in passowrd",
            .illegalCharPrefix = "str0[i]:",
            .msgTooShort = "Password length should large than 4 bits",
            .msgEncDone = " done, will open the encrypted folder: ",
            .msgNoImageEnc = "No image selected",
            .msgNotContainer = "No Tarvex encrypted image found, should continue anyway?",
            .msgDecDone = " done, will open the decrypted folder:",
            .msgIllegalPassword = "Illegal password",
            .msgNoImageDec = "No image selected",
            .msgTooManyTries =
                "You have tried 10 times, no more allowd, you need to exit and relaunch if "
                "you want more tryies",
            .msgCanceled = "Canceled!",
            .msgPasswordAgain = "Type the password again. Nothing but this password opens the "
                                "protected images:",
            .msgPasswordsDiffer = "The two passwords differ. Nothing was encrypted.",
            .openDialogFilter = "JPG; GIF; PNG; BMP; SVG; PAD|"
                                "*.JPG;*.GIF;*.PNG;*.BMP;*.SVG;*.PAD;*.***E|All (*.*)|*.*",
            .skippedSummaryPieces = {" of ", " images are larger than 5MB which not support, ",
                                     " images done."},
            .scratchWaitNotice = "another copy of the program is writing its scratch file; waiting",
        },
    .btncancel = "Cancel",
    .windowCaption = "Free Tarvex Image Encrypt Batch Tools v2.0.3",
    .applicationTitle = "Free Tarvex Image Encrypt Tool",
    .languageMenu = "Language",
    .filesChosen = "Files chosen: %1",
    .bannerPage = "/kro/ead.htm",
    .localHelpFile = "ehelp.htm",
    .onlineHelpPage = "/kro/ehelp.htm",
    .aboutPage = "/kro/eabout.htm",
    .donatePage = "/kro/edonate.htm",
};

constexpr LanguageTable chinese{
    .btnopen = "打开",
    .btnenc = "加密",
    .N1 = "文件",
    .N2 = "打开",
    .N5 = "退出",
    .N6 = "帮助",
    .N7 = "说明",
    .N8 = "在线帮助",
    .N11 = "关于",
    .nabout = "关于 Tarvex",
    .mdonate = "捐助",
    .ndonate = "捐助",
    .rgsuffixCaption = "加密照片后缀名",
    .rgsuffixItem0 = "不变, abc.JPG --> abc.JPG",
    .rgsuffixItem1 = "加 'E', abc.JPG --> abc.JPGE",
    .gbencClassCaption = "加密级别",
    .gbencClassItem0 = "标准加密（64位加密，迅捷加密）",
    .gbencClassItem1 = "高级加密（256位加密，但比较费时）",
    .lbopen = "打开文件夹",
    .lbpassword = "\u3000\u3000\u3000密码",
    .btndec = "解密",
    .lbpassnote = "5 - 10 位, 支持除空格外所有字符",
    .run =
        {
            .encFolderName = "已加密",
            .decFolderName = "已解密",
            .msgNoBlank = "密码不支持空格",
            .msgIllegalChar = "密码有不支持的字符",
            .illegalCharPrefix = "str0[i]:",
            .msgTooShort = "密码必需大于4位！",
            .msgEncDone = " 个加密完成。打开文件夹：",
            .msgNoImageEnc = "请先选择要加密的照片",
            .msgNotContainer = "你要解密的不是Tarvex加密格式的文件，要继续吗？",
            .msgDecDone = " 个解密完成。打开文件夹：",
            .msgIllegalPassword = "密码错误",
            .msgNoImageDec = "请先选择要解密的照片",
            .msgTooManyTries =
                "你已经连续10次密码错误，如果你不是机器人，可以重起本软件，继续尝试！",
            .msgCanceled = "已取消！",
            .msgPasswordAgain = "请再次输入密码。只有这个密码能打开受保护的照片：",
            .msgPasswordsDiffer = "两次输入的密码不一致，没有加密任何文件。",
            .openDialogFilter = "JPG;GIF;PNG;BMP;SVG;PAD;TVX|*.JPG;*.GIF;*.PNG;*.BMP;*.SVG;*.PAD;*."
                                "***E|所有 (*.*)|*.*",
            .skippedSummaryPieces = {" 个照片中的 ", " 个照片大于5MB，只有 ", " 个被加密。"},
            .scratchWaitNotice = "本程序的另一个副本正在写入它的临时文件，正在等待",
        },
    .btncancel = "取消",
    .windowCaption = "Tarvex照片批量加密工具v2.0.3",
    .applicationTitle = "Tarvex照片批量加密工具",
    .languageMenu = "语言",
    .filesChosen = "已选文件：%1",
    .bannerPage = "/kro/ad.htm",
    .localHelpFile = "help.htm",
    .onlineHelpPage = "/kro/help.htm",
    .aboutPage = "/kro/about.htm",
    .donatePage = "/kro/donate.htm",
};

} // namespace

const LanguageTable& englishTable() {
    return english;
}
const LanguageTable& chineseTable() {
    return chinese;
}

} // namespace tarvex
