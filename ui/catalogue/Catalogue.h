#pragma once

#include "batch/StringCatalogue.h"
#include "container/ContainerClass.h"
#include "ui/catalogue/ConsoleTexts.h"

#include <array>
#include <string_view>

namespace tarvex {

// Every text of one interface language, in UTF-8. Captions are named after their control.
struct LanguageTable {
    std::string_view btnopen;
    std::string_view btnenc;
    std::string_view N1;
    std::string_view N2;
    std::string_view N5;
    std::string_view N6;
    std::string_view N7;
    std::string_view N8;
    std::string_view N11;
    std::string_view nabout;
    std::string_view mdonate;
    std::string_view ndonate;
    std::string_view rgsuffixCaption;
    std::string_view rgsuffixItem0;
    std::string_view rgsuffixItem1;
    std::string_view gbencClassCaption;
    std::string_view gbencClassItem0;
    std::string_view gbencClassItem1;
    std::string_view lbopen;
    std::string_view lbpassword;
    std::string_view btndec;
    std::string_view lbpassnote;
    // The texts that the runs read.
    StringCatalogue run;
    // The texts of the console program.
    ConsoleTexts console;
    std::string_view btncancel;
    std::string_view windowCaption;
    std::string_view applicationTitle;

    // The language menu, which switches between the two tables.
    std::string_view languageMenu;
    // The class menu offers every class, one item each in the order of the class table; the
    // designed radio group follows it for the classes it has, and points to it in its tooltip.
    // The sign in the menu bar shows while the class that protects is chosen.
    std::string_view classMenu;
    std::array<std::string_view, containerClasses.size()> classItems;
    std::string_view classGroupTip;
    std::string_view protectedSign;
    std::string_view protectedSignTip;
    // The head of the folder field's tooltip, which lists the chosen files; %1 is their count.
    std::string_view filesChosen;

    // Pages and files chosen by language.
    std::string_view bannerPage;
    std::string_view localHelpFile;
    std::string_view onlineHelpPage;
    std::string_view aboutPage;
    std::string_view donatePage;

    // Why a drop on the window chooses nothing: %1 is a dropped file that is not there; %1 and %2
    // are the first file dropped and one that lies in another folder.
    std::string_view dropNotFound;
    std::string_view dropTwoFolders;
};

const LanguageTable& englishTable();
const LanguageTable& chineseTable();
inline const LanguageTable& languageTable(bool english) {
    return english ? englishTable() : chineseTable();
}

// The version of the program, as the window's caption shows it: "2.0.3".
std::string_view programVersion();

// The title that the program carries before the first language is applied.
inline constexpr std::string_view provisionalTitle = "Tarvex图片批量加密";

// Texts that are the same in both languages.
inline constexpr std::string_view languageEnglish = "English";
inline constexpr std::string_view languageChinese = "中文";
// The home page below the site root, opened from the About window.
inline constexpr std::string_view homePage = "/index.htm";

} // namespace tarvex
