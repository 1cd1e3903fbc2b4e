#pragma once

#include "batch/Classes.h"

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// Every text of one interface language, in UTF-8: the window's, the runs' and the console's. Each
// language fills one; a text that takes values has "%1", "%2"... where filledIn puts them.
// Captions are named after their control.
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
    // What the runs say: the names of their output folders, their messages and questions.
    std::string_view encFolderName;
    std::string_view decFolderName;
    std::string_view msgNoBlank;
    std::string_view msgIllegalChar;
    // The first of the two messages about an illegal character: %1 is the character. The same in
    // both languages.
    std::string_view illegalCharPrefix;
    std::string_view msgTooShort;
    // The question at the end of an encrypt run: %1 the files done, %2 the output folder.
    std::string_view msgEncDone;
    // The end of an encrypt run that added to a library: %1 added, %2 changed, %3 unchanged, %4
    // the folder.
    std::string_view libraryEncDone;
    std::string_view msgNoImageEnc;
    std::string_view msgNotContainer;
    // The question at the end of a decrypt run: %1 the files restored, %2 the output folder.
    std::string_view msgDecDone;
    std::string_view msgIllegalPassword;
    std::string_view msgNoImageDec;
    std::string_view msgTooManyTries;
    std::string_view msgCanceled;
    // Encrypting in a class that only the password opens asks for it once more, and ends the run
    // when the two differ.
    std::string_view msgPasswordAgain;
    std::string_view msgPasswordsDiffer;
    // A key needs a few hundred megabytes.
    std::string_view msgNoMemoryForKey;
    // The end of a decrypt run names the files it left out, each with one of the reasons, and
    // the files it wrote under another name than their own.
    std::string_view msgLeftOut;
    std::string_view msgRenamed;
    // A line of each list: %1 the file, %2 why or its new name.
    std::string_view noteLeftOut;
    std::string_view noteRenamed;
    std::string_view reasonNotOpened;
    std::string_view reasonDamaged;
    std::string_view reasonNotContainer;
    std::string_view reasonNothingRestored;
    std::string_view reasonBeyondContainers;
    std::string_view reasonChanged;
    // Why an encrypt run leaves a source out; the console names each one. %1 of the second is the
    // system's own text.
    std::string_view reasonTooLarge;
    std::string_view reasonUnreadable;
    std::string_view reasonNotRegular;
    // "label|patterns|label|patterns": the image types first, then all files.
    std::string_view openDialogFilter;
    // The summary after an encrypt run that skipped large files: %1 the files skipped, %2 the
    // files chosen, %3 the files done.
    std::string_view skippedSummary;
    // Shown while a High level run waits for another copy of the program to finish writing the
    // scratch file.
    std::string_view scratchWaitNotice;

    // The texts of the console program itself, its usage, its errors and its prompts. In a text
    // that takes values, "%1", "%2"... stand for them in the order the comment gives.
    // What --help prints. %1 is the names of the container classes joined by "|", %2 a line for
    // each short form of --class (made of classShortForm), in the place of the option lists.
    std::string_view usage;
    // What the short form of --class does: %1 is its class.
    std::string_view classShortForm;
    // The line after every usage error.
    std::string_view tryHelp;
    std::string_view noCommand;
    std::string_view unknownCommand;     // %1 the argument
    std::string_view unknownOption;      // %1 the argument
    std::string_view notAnOptionOf;      // %1 the option, %2 the command
    std::string_view notAnOptionOfClass; // %1 the option, %2 the class
    std::string_view optionNeedsValue;   // %1 the option, %2 its values joined by "|"
    std::string_view intoNeedsFolder;    // --into at the end of the line, or empty
    std::string_view intoNoFolder;       // %1 the value of --into, which names no folder
    std::string_view optionTakes;        // %1 the option, %2 its values, %3 the value given
    std::string_view yesAndNo;
    std::string_view noFile;
    std::string_view emptyFileName;
    std::string_view notAFile;         // %1 the argument
    std::string_view noWorkingFolder;  // %1 the argument
    std::string_view notInOneFolder;   // %1 the file, %2 the folder of the first file
    std::string_view leavingOutFolder; // %1 the folder
    std::string_view onlyFolders;
    std::string_view noTerminal;
    std::string_view passwordPrompt;
    std::string_view noPassword;
    std::string_view passwordLineTooLong; // %1 the most bytes a line may hold

    // The answers of a question, shown after it; "y" and "n" are what is typed.
    std::string_view yesOrNo;
    // Shown at a terminal while the run derives a key before its first file.
    std::string_view busy;
    // A file that the run leaves out: %1 the file, %2 why.
    std::string_view leftOut;
    // The messages of a file step that failed: %1 the path, %2 why.
    std::string_view fileCannotOpen;
    std::string_view fileCannotCreate;
    // Why, where the system's own text does not say it: %1 is what to remove.
    std::string_view reasonNotRegularFile;
    std::string_view reasonBlockerOfAnotherUser;
    std::string_view reasonBlockerNotAFolder;
    // An output folder that is not the user's own to write to: %1 the folder.
    std::string_view reasonFolderIsALink;
    std::string_view reasonFolderOfAnotherUser;
    std::string_view reasonFolderOpenToOthers;
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
    // The Class menu's choice of names that say nothing, for a class that records them.
    std::string_view hideNames;
    std::string_view hideNamesTip;
    // Its choice of originals moved to the Trash once their containers are verified.
    std::string_view removeOriginals;
    std::string_view removeOriginalsTip;
    // The head of the folder field's tooltip, which lists the chosen files; %1 is their count.
    std::string_view filesChosen;
    // The File menu's choice of a folder with everything under it, and the field's tooltip for
    // it: %1 the folder.
    std::string_view openFolderItem;
    std::string_view folderChosen;
    // The File menu's runs into a folder chosen for their outputs.
    std::string_view encryptToItem;
    std::string_view restoreToItem;

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
    // Questions of the runs that guard against containers put in the place of others, and keys
    // that cost too much: %1 the file, or the seconds, or the keys derived so far.
    std::string_view questionUnauthenticated;
    std::string_view questionReplaceProtected;
    std::string_view questionCostlyKey;
    std::string_view questionManyKeys;
    // %1 an output folder whose Protected containers the passphrase opens none of.
    std::string_view questionOtherPassphrase;
    std::string_view reasonUnauthenticated;
    std::string_view reasonProtectedKept;
    std::string_view reasonKeyDeclined;
    // A file whose path came to name another file while the run went on (swapped, or replaced by
    // a link), one whose output's name would be longer than a file system takes, and one whose
    // output's folder (one that its container records) cannot be made, as a file has its name.
    std::string_view reasonReplaced;
    std::string_view reasonNameTooLong;
    std::string_view reasonFolderTaken;
    // What the walk of a folder chosen whole leaves out, and the heading of the list at the end of
    // a run that says how many of each: %1 the reason, %2 how many; %1 of an unreadable folder the
    // system's reason.
    std::string_view reasonLink;
    std::string_view reasonHidden;
    std::string_view reasonOwnFolder;
    std::string_view reasonFolderUnreadable;
    // The system's root folder or one of the kernel's (/proc, /sys, /dev), which is never walked.
    std::string_view reasonSystemFolder;
    std::string_view msgNotTaken;
    std::string_view noteNotTaken;
    // The lists at the end of an encrypt run of the files it left out for another reason than
    // their size, and of the containers that encrypt which it replaced.
    std::string_view msgNotEncrypted;
    std::string_view msgReplaced;
    // Of a run that removes originals: %1 how many went to the Trash; the list of those kept in
    // place, each with its reason (an original whose container did not read back as it, or that
    // could not be moved: %1 the system's reason).
    std::string_view msgTrashed;
    std::string_view msgOriginalsKept;
    std::string_view reasonNotVerified;
    std::string_view reasonNotTrashed;
    // The first file of a decrypt run is no container of its class: %1 the file.
    std::string_view msgFirstDamaged;
    // Why a password is refused beyond the designed messages: %1 the most characters the designed
    // classes take; for a Protected passphrase, %1 the most bytes, or the character refused.
    std::string_view msgPasswordTooLong;
    std::string_view msgPassphraseEmpty;
    std::string_view msgPassphraseTooLong;
    std::string_view msgPassphraseIllegal;
    // The note beside the password entry while Protected is chosen.
    std::string_view protectedPassnote;
    // How long an attacker needs to find the passphrase typed: %1 the time; and the question
    // asked after it when that is within a year.
    std::string_view strengthEstimate;
    std::string_view strengthQuestion;
    // Times: %1 the number.
    std::string_view lessThanASecond;
    std::string_view someSeconds;
    std::string_view someMinutes;
    std::string_view someHours;
    std::string_view someDays;
    std::string_view someYears;
    std::string_view overAMillionYears;
    // The open dialog refuses a choice of files from two folders: %1 and %2 as for a drop.
    std::string_view dialogTwoFolders;
    // The desktop has no file manager that opens the output folder: %1 the folder.
    std::string_view folderNotOpened;
    // The picture viewer. The main window's File menu item that opens it, after Open, and the
    // filter of its dialog, which chooses containers or a folder of them: "label|patterns|...".
    std::string_view viewMenuItem;
    std::string_view viewDialogFilter;
    // The viewer's caption: %1 the first container's folder.
    std::string_view viewerCaption;
    // Its menus and actions.
    std::string_view viewerFileMenu;
    std::string_view viewerSaveCopy;
    std::string_view viewerCopy;
    std::string_view viewerClose;
    std::string_view viewerViewMenu;
    std::string_view viewerFit;
    std::string_view viewerActualSize;
    // Zoom in and out: the tiles of the grid, or the picture shown whole in steps; the zoom of
    // the picture in the picture view's tool bar, %1 the percent.
    std::string_view viewerZoomIn;
    std::string_view viewerZoomOut;
    std::string_view viewerZoomPercent;
    std::string_view viewerPrevious;
    std::string_view viewerNext;
    std::string_view viewerBackToGrid;
    // The status bar: %1 the number of containers; the sign that a key is being derived.
    std::string_view viewerCount;
    std::string_view viewerOneContainer;
    // The plain pictures counted apart, %1 their number; both counts, %1 the containers' and %2
    // the plain pictures'.
    std::string_view viewerPlainCount;
    std::string_view viewerOnePlain;
    std::string_view viewerCountAndPlain;
    // The name of a plain picture, in its tile and the picture view's status bar: %1 the name.
    std::string_view viewerPlainName;
    std::string_view viewerDeriving;
    // The passphrase box: %1 the container's name; the second after a passphrase that did not
    // open it.
    std::string_view viewerPassphrase;
    std::string_view viewerPassphraseAgain;
    std::string_view viewerTooManyTries;
    // Before a key that costs more than four times the usual: %1 the container, %2 how many times
    // the usual, %3 about how many seconds, %4 how many MB of memory.
    std::string_view viewerCostlyKey;
    // Before a fifth key of one viewing.
    std::string_view viewerManyKeys;
    // What the tile of a container without a picture says; %1 of viewerUnreadable is the reason.
    std::string_view viewerNotContainer;
    std::string_view viewerDamaged;
    std::string_view viewerNotOpened;
    std::string_view viewerWrongPassphrase;
    std::string_view viewerNoPassphrase;
    std::string_view viewerKeyNotDerived;
    std::string_view viewerNotImage;
    std::string_view viewerTooLarge;
    std::string_view viewerUnreadable;
    std::string_view viewerChanged;
    std::string_view viewerLoading;
    // The choice holds no file to view.
    std::string_view viewerNothing;
    // The View menu's arrangements of the grid: by the folders the pictures were in, and by
    // their time, newest first.
    std::string_view viewerByFolder;
    std::string_view viewerByTime;
    // The grey text of the field that filters the grid by name and folder.
    std::string_view viewerSearch;
    // The heading of the pictures that lay in no folder below the one viewed; of those whose time
    // is not known.
    std::string_view viewerTopFolder;
    std::string_view viewerNoTime;
    // The form of a month's heading and of a picture's time in the status bar, in the letters of
    // Qt's QDateTime::toString ("MMMM" the month's English name, "MMM" its short name).
    std::string_view viewerMonthForm;
    std::string_view viewerTimeForm;
    // A picture's size: %1 the number of bytes, kB, MB or GB (of 1000 each), with one decimal.
    std::string_view viewerBytes;
    std::string_view viewerKilobytes;
    std::string_view viewerMegabytes;
    std::string_view viewerGigabytes;
    // What stands between the name, folder, time and size of a picture in the status bar.
    std::string_view viewerFactsApart;
};

const LanguageTable& englishTable();
const LanguageTable& chineseTable();
inline const LanguageTable& languageTable(bool english) {
    return english ? englishTable() : chineseTable();
}

// `text` with "%1".."%9" replaced by `values` in their order; a placeholder without a value stays.
std::string filledIn(std::string_view text, std::initializer_list<std::string_view> values);

// The names of the program's output folders in every language, which a folder chosen whole
// never has taken.
std::vector<std::string> outputFolderNames();

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
