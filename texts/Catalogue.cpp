#include "texts/Catalogue.h"

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
    .encFolderName = "encrypted",
    .decFolderName = "decrypted",
    .msgNoBlank = "No blank allowd in password",
    .msgIllegalChar = "Found illegal char(s) in passowrd",
    .illegalCharPrefix = "str0[i]:%1",
    .msgTooShort = "Password length should large than 4 bits",
    .msgEncDone = "%1 done, will open the encrypted folder: \r%2",
    .libraryEncDone = "%1 added, %2 changed, %3 already in the library, will open the encrypted "
                      "folder: \r%4",
    .msgNoImageEnc = "No image selected",
    .msgNotContainer = "No Tarvex encrypted image found, should continue anyway?",
    .msgDecDone = "%1 done, will open the decrypted folder:\r%2",
    .msgIllegalPassword = "Illegal password",
    .msgNoImageDec = "No image selected",
    .msgTooManyTries = "You have tried 10 times, no more allowd, you need to exit and relaunch if "
                       "you want more tryies",
    .msgCanceled = "Canceled!",
    .msgPasswordAgain = "Type the password again. Nothing but this password opens the "
                        "protected images:",
    .msgPasswordsDiffer = "The two passwords differ. Nothing was encrypted.",
    .msgNoMemoryForKey = "There is not enough memory to derive the key.",
    .msgLeftOut = "These files were not restored:",
    .msgRenamed = "These files were restored under another name, as a file of that name was "
                  "there already:",
    .noteLeftOut = "%1: %2",
    .noteRenamed = "%1 → %2",
    .reasonNotOpened = "it does not open with this password, or it is damaged",
    .reasonDamaged = "it is damaged",
    .reasonNotContainer = "it is no container, and you left it out",
    .reasonNothingRestored = "it holds nothing to restore",
    .reasonBeyondContainers = "it is larger than any container of its class can be",
    .reasonChanged = "it changed while it was read",
    .reasonTooLarge = "larger than 5MB",
    .reasonUnreadable = "cannot be read: %1",
    .reasonNotRegular = "not a regular file",
    .openDialogFilter = "JPG; GIF; PNG; BMP; SVG; PAD|"
                        "*.JPG;*.GIF;*.PNG;*.BMP;*.SVG;*.PAD;*.***E;*.tvx|All (*.*)|*.*",
    .skippedSummary = "%1 of %2 images are larger than 5MB which not support, %3 images done.",
    .scratchWaitNotice = "another copy of the program is writing its scratch file; waiting",
    .usage = "Usage:\n"
             "  tarvex-cli encrypt [OPTIONS] FILE...\n"
             "  tarvex-cli decrypt [OPTIONS] FILE...\n"
             "  tarvex-cli --help | --version\n"
             "\n"
             "Encrypts image files into containers in the folder \"encrypted\" beside them, or\n"
             "restores containers into the folder \"decrypted\". All FILEs must be in one\n"
             "folder. Options may come before or after the command.\n"
             "\n"
             "Options of encrypt:\n"
             "  --class %1\n"
             "                     the class of the containers, standard by default (decrypt\n"
             "                     reads it from each container)\n"
             "%2"
             "  --suffix           append \"E\" to the container names (standard, high)\n"
             "  --hide-names       name protected containers with 16 random letters and\n"
             "                     digits; the picture's name and folders are sealed inside,\n"
             "                     and a folder's containers lie in one folder\n"
             "  --remove-originals move each original to the Trash once its container,\n"
             "                     read back from the disk, gives it back exactly (protected)\n"
             "Options of decrypt:\n"
             "  --strip-suffix     drop a trailing \"E\" from the restored names\n"
             "Options of both:\n"
             "  --recursive, -r    a folder among the FILEs stands for everything under it:\n"
             "                     its outputs go to FOLDER/encrypted or FOLDER/decrypted, in\n"
             "                     the folders their files are in; links, hidden files and\n"
             "                     folders, special files and output folders are left out\n"
             "  --into FOLDER      write the outputs straight into FOLDER, which must exist,\n"
             "                     instead of beside the FILEs; nothing in it is replaced\n"
             "  --yes              answer every question with Yes\n"
             "  --no               answer every question with No\n"
             "                     (otherwise a question is asked at the terminal, and\n"
             "                     answered No without one)\n"
             "  --lang en|zh       English (default) or Chinese texts and folder names\n"
             "  --password-stdin   read the password from the first line of standard input\n"
             "                     (otherwise it is asked for at the terminal)\n"
             "  --help, -h         show this text\n"
             "  --version          show the version\n"
             "\n"
             "Exit status: 0 completed; 1 ended early (password rejected or wrong, question\n"
             "declined, cancelled with Ctrl-C, SIGTERM or SIGHUP), no file encrypted (each\n"
             "too large or unreadable) or a container did not open; 2 usage error; 3 file\n"
             "error; 4 files left out that could not be read (each is named). A cancelled\n"
             "run leaves no partial file.\n",
    .classShortForm = "the same as --class %1",
    .tryHelp = "Try 'tarvex-cli --help'.",
    .noCommand = "no command given",
    .unknownCommand = "unknown command \"%1\"",
    .unknownOption = "unknown option \"%1\"",
    .notAnOptionOf = "\"%1\" is no option of %2",
    .notAnOptionOfClass = "\"%1\" is no option of the class %2",
    .optionNeedsValue = "%1 needs one of %2",
    .intoNeedsFolder = "--into needs a folder",
    .intoNoFolder = "\"%1\" is no folder to write into",
    .optionTakes = "%1 takes one of %2, not \"%3\"",
    .yesAndNo = "--yes and --no cannot be given together",
    .noFile = "no FILE given",
    .emptyFileName = "an empty file name was given",
    .notAFile = "\"%1\" does not name a file",
    .noWorkingFolder = "the working folder is unknown; give \"%1\" as a full path",
    .notInOneFolder = "all files must be in one folder, but \"%1\" is not in \"%2\"",
    .leavingOutFolder = "leaving out the folder \"%1\"",
    .onlyFolders = "no FILE given, only folders",
    .noTerminal = "no terminal to ask for the password; use --password-stdin",
    .passwordPrompt = "Password: ",
    .noPassword = "no password was given",
    .passwordLineTooLong = "the password line is longer than %1 bytes",

    .yesOrNo = "[y/n]",
    .busy = "Deriving the key from the password...",
    .leftOut = "%1: %2",
    .fileCannotOpen = "Cannot open file \"%1\". %2",
    .fileCannotCreate = "Cannot create file \"%1\". %2",
    .reasonNotRegularFile = "Not a regular file",
    .reasonBlockerOfAnotherUser = "\"%1\" belongs to another user: remove it",
    .reasonBlockerNotAFolder = "\"%1\" is not a folder: remove it",
    .reasonFolderIsALink = "The folder \"%1\" is a link, which may lead anywhere: nothing is "
                           "written through it",
    .reasonFolderOfAnotherUser = "The folder \"%1\" belongs to another user, who could read "
                                 "what is written there",
    .reasonFolderOpenToOthers = "Others may put files into the folder \"%1\": nothing is "
                                "written there",
    .btncancel = "Cancel",
    .windowCaption = "Free Tarvex Image Encrypt Batch Tools v" TARVEX_VERSION,
    .applicationTitle = "Free Tarvex Image Encrypt Tool",
    .languageMenu = "Language",
    .classMenu = "Class",
    .classItems = {"Standard", "High level", "Protected (real encryption)"},
    .classGroupTip = "Standard and High level only disguise an image: anyone who knows the format "
                     "restores it without the password.\nThe Class menu offers Protected, which "
                     "really encrypts it: nothing but the password opens it.",
    .protectedSign = "Protected",
    .protectedSignTip = "Containers are encrypted: nothing but the password opens them, and any "
                        "change to them is found.\nTheir names, their sizes and which of them "
                        "were made together still show.",
    .hideNames = "Hide names",
    .hideNamesTip = "Protected containers are named with 16 random letters and digits; the "
                    "picture's name and folders are sealed inside them, and the containers of "
                    "a folder's tree lie in one folder.",
    .removeOriginals = "Remove originals after verifying",
    .removeOriginalsTip = "Each picture goes to the Trash once its Protected container, read back "
                          "from the disk, gives it back exactly; any other is kept where it is.",
    .filesChosen = "Files chosen: %1",
    .openFolderItem = "Open folder...",
    .folderChosen = "Folder chosen, with everything under it: %1",
    .encryptToItem = "Encrypt to...",
    .restoreToItem = "Restore to...",
    .bannerPage = "/kro/ead.htm",
    .localHelpFile = "ehelp.htm",
    .onlineHelpPage = "/kro/ehelp.htm",
    .aboutPage = "/kro/eabout.htm",
    .donatePage = "/kro/edonate.htm",
    .dropNotFound = "%1\nFile not found.",
    .dropTwoFolders =
        "%1\n%2\nThese files are in different folders. Please drop files from one folder.",
    .questionUnauthenticated =
        "%1\nUnlike the Protected containers of this run, this container cannot prove what it "
        "holds: anyone may have made it. Restore it anyway?",
    .questionReplaceProtected = "%1\nThis is a Protected container. Replace it with a container "
                                "that anyone can open without the password?",
    .questionCostlyKey = "A container asks for a key that takes about %1 seconds to derive, far "
                         "longer than this program's own. Derive it?",
    .questionManyKeys = "This run has derived %1 keys already, one for the containers of each "
                        "encrypt run, each taking about a second. Go on deriving keys?",
    .questionOtherPassphrase = "The folder holds containers of another passphrase:\n%1\nAdd "
                               "containers of this passphrase beside them?",
    .reasonUnauthenticated = "it cannot prove what it holds, and you left it out",
    .reasonProtectedKept = "a Protected container of its name is there, and you kept it",
    .reasonKeyDeclined = "its key takes too long to derive, and you left it out",
    .reasonReplaced = "it is no longer the file that its folder held when the run began",
    .reasonNameTooLong = "its output's name would be longer than a file name can be",
    .reasonFolderTaken = "a file stands where a folder of its output must be",
    .reasonLink = "a link, never followed",
    .reasonHidden = "hidden",
    .reasonOwnFolder = "an output folder of an earlier run",
    .reasonFolderUnreadable = "a folder that cannot be read: %1",
    .reasonSystemFolder = "a folder of the system itself, never taken whole",
    .msgNotTaken = "Left out of the folders chosen:",
    .noteNotTaken = "%1: %2",
    .msgNotEncrypted = "These files were not encrypted:",
    .msgReplaced = "These Protected containers were replaced by containers that anyone can open "
                   "without the password:",
    .msgTrashed = "%1 originals went to the Trash: emptying the Trash removes them for good.",
    .msgOriginalsKept = "These originals were kept where they are:",
    .reasonNotVerified = "its container, read back from the disk, did not give it back exactly",
    .reasonNotTrashed = "it could not be moved to the Trash: %1",
    .msgFirstDamaged = "%1\nThis file is damaged: it is no container of its class, so the "
                       "password cannot be checked against it. Nothing was decrypted.",
    .msgPasswordTooLong = "The password has more than %1 characters: the Standard and High level "
                          "classes take no more. The Protected class takes long passphrases.",
    .msgPassphraseEmpty = "Type a passphrase first.",
    .msgPassphraseTooLong = "The passphrase is longer than %1 bytes.",
    .msgPassphraseIllegal = "The passphrase holds a character that is not printable: %1.",
    .protectedPassnote = "1 - 1024 bytes, blanks and all chars",
    .strengthEstimate = "An attacker with 1,000 GPUs, each trying 400 passphrases a second, would "
                        "need %1 to find this one.",
    .strengthQuestion = "Such a passphrase falls within a year. Use it anyway?",
    .lessThanASecond = "less than a second",
    .someSeconds = "about %1 seconds",
    .someMinutes = "about %1 minutes",
    .someHours = "about %1 hours",
    .someDays = "about %1 days",
    .someYears = "about %1 years",
    .overAMillionYears = "more than a million years",
    .dialogTwoFolders =
        "%1\n%2\nThese files are in different folders. Please choose files from one folder.",
    .folderNotOpened = "The folder \"%1\" could not be opened: the desktop has no file manager "
                       "for it.",
    .viewMenuItem = "View...",
    .viewDialogFilter = "All (*.*)|*.*|Protected (*.tvx)|*.tvx",
    .viewerCaption = "%1 - Tarvex viewer",
    .viewerFileMenu = "File",
    .viewerSaveCopy = "Save a copy...",
    .viewerCopy = "Copy",
    .viewerClose = "Close",
    .viewerViewMenu = "View",
    .viewerFit = "Fit to window",
    .viewerActualSize = "100 %",
    .viewerZoomIn = "Zoom in",
    .viewerZoomOut = "Zoom out",
    .viewerZoomPercent = "%1 %",
    .viewerPrevious = "Previous",
    .viewerNext = "Next",
    .viewerBackToGrid = "Back to the pictures",
    .viewerCount = "%1 containers",
    .viewerOneContainer = "1 container",
    .viewerPlainCount = "%1 plain pictures",
    .viewerOnePlain = "1 plain picture",
    .viewerCountAndPlain = "%1, %2",
    .viewerPlainName = "%1 (not protected)",
    .viewerDeriving = "Deriving the key from the passphrase...",
    .viewerPassphrase = "\"%1\" is protected. Type its passphrase:",
    .viewerPassphraseAgain = "The passphrase does not open \"%1\". Type it again:",
    .viewerTooManyTries = "You have typed a wrong passphrase 10 times. The viewer asks for no "
                          "more passphrases until the program is started again.",
    .viewerCostlyKey = "The key of \"%1\" costs %2 times as much as usual: deriving it takes "
                       "about %3 seconds and %4 MB of memory. Derive it?",
    .viewerManyKeys = "This viewing has derived four keys already, and another container needs "
                      "a key of its own: each takes about a second and 256 MB of memory. Derive "
                      "more keys?",
    .viewerNotContainer = "Not a container",
    .viewerDamaged = "Damaged",
    .viewerNotOpened = "Does not open with this passphrase, or damaged",
    .viewerWrongPassphrase = "Wrong passphrase",
    .viewerNoPassphrase = "No passphrase: press Return to type it",
    .viewerKeyNotDerived = "Key not derived: press Return to derive it",
    .viewerNotImage = "Not a picture that can be shown",
    .viewerTooLarge = "Too large to show",
    .viewerUnreadable = "Cannot be read: %1",
    .viewerChanged = "Changed while it was read",
    .viewerLoading = "Loading...",
    .viewerNothing = "There is no file to view.",
    .viewerByFolder = "Arrange by folder",
    .viewerByTime = "Arrange by time",
    .viewerSearch = "Search names and folders",
    .viewerTopFolder = "Top folder",
    .viewerNoTime = "Time not known",
    .viewerMonthForm = "MMMM yyyy",
    .viewerTimeForm = "d MMM yyyy hh:mm",
    .viewerBytes = "%1 bytes",
    .viewerKilobytes = "%1 kB",
    .viewerMegabytes = "%1 MB",
    .viewerGigabytes = "%1 GB",
    .viewerFactsApart = " — ",
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
    .encFolderName = "已加密",
    .decFolderName = "已解密",
    .msgNoBlank = "密码不支持空格",
    .msgIllegalChar = "密码有不支持的字符",
    .illegalCharPrefix = "str0[i]:%1",
    .msgTooShort = "密码必需大于4位！",
    .msgEncDone = "%1 个加密完成。打开文件夹：\r%2",
    .libraryEncDone = "新增 %1 个、更新 %2 个、库中已有 %3 个。打开文件夹：\r%4",
    .msgNoImageEnc = "请先选择要加密的照片",
    .msgNotContainer = "你要解密的不是Tarvex加密格式的文件，要继续吗？",
    .msgDecDone = "%1 个解密完成。打开文件夹：\r%2",
    .msgIllegalPassword = "密码错误",
    .msgNoImageDec = "请先选择要解密的照片",
    .msgTooManyTries = "你已经连续10次密码错误，如果你不是机器人，可以重起本软件，继续尝试！",
    .msgCanceled = "已取消！",
    .msgPasswordAgain = "请再次输入密码。只有这个密码能打开受保护的照片：",
    .msgPasswordsDiffer = "两次输入的密码不一致，没有加密任何文件。",
    .msgNoMemoryForKey = "内存不足，无法生成密钥。",
    .msgLeftOut = "以下文件没有解密：",
    .msgRenamed = "以下文件的名字已有文件使用，已改用其他名字保存：",
    .noteLeftOut = "%1: %2",
    .noteRenamed = "%1 → %2",
    .reasonNotOpened = "密码不对，或者文件已损坏",
    .reasonDamaged = "文件已损坏",
    .reasonNotContainer = "不是加密文件，已按你的选择跳过",
    .reasonNothingRestored = "没有可以还原的内容",
    .reasonBeyondContainers = "文件太大，不可能是这一级别的加密文件",
    .reasonChanged = "读取时文件被修改了",
    .reasonTooLarge = "大于5MB",
    .reasonUnreadable = "无法读取：%1",
    .reasonNotRegular = "不是普通文件",
    .openDialogFilter = "JPG;GIF;PNG;BMP;SVG;PAD;TVX|*.JPG;*.GIF;*.PNG;*.BMP;*.SVG;*.PAD;*."
                        "***E;*.tvx|所有 (*.*)|*.*",
    .skippedSummary = "%2 个照片中的 %1 个照片大于5MB，只有 %3 个被加密。",
    .scratchWaitNotice = "本程序的另一个副本正在写入它的临时文件，正在等待",
    .usage = "用法：\n"
             "  tarvex-cli encrypt [选项] 文件...\n"
             "  tarvex-cli decrypt [选项] 文件...\n"
             "  tarvex-cli --help | --version\n"
             "\n"
             "encrypt 把照片文件加密，存入照片旁边的文件夹“已加密”；decrypt 把加密文件\n"
             "解密，存入其旁边的文件夹“已解密”。所有文件必须在同一个文件夹中。选项可以\n"
             "写在命令之前或之后。\n"
             "\n"
             "encrypt 的选项：\n"
             "  --class %1\n"
             "                     加密级别，默认为 standard（解密时从每个文件中读出）\n"
             "%2"
             "  --suffix           在加密文件名后加 “E”（abc.JPG --> abc.JPGE；standard、high）\n"
             "  --hide-names       保护加密文件用 16 个随机字母和数字命名，照片的文件名和\n"
             "                     文件夹封存在加密文件之中，一个文件夹的加密文件都在同一处\n"
             "  --remove-originals 加密文件从磁盘读回并能完全还原原文件后，把原文件移到\n"
             "                     回收站（仅 protected）\n"
             "decrypt 的选项：\n"
             "  --strip-suffix     去掉解密文件名末尾的 “E”\n"
             "通用选项：\n"
             "  --recursive, -r    文件中的文件夹代表其下所有文件：输出写入 文件夹/已加密\n"
             "                     或 文件夹/已解密，保持原来的子文件夹；链接、隐藏文件和\n"
             "                     文件夹、特殊文件以及输出文件夹会被略过\n"
             "  --into 文件夹      把输出直接写入已有的文件夹，而不是照片旁边；\n"
             "                     其中已有的文件不会被替换\n"
             "  --yes              对所有提问回答“是”\n"
             "  --no               对所有提问回答“否”\n"
             "                     （否则在终端上提问，没有终端时回答“否”）\n"
             "  --lang en|zh       英文（默认）或中文的提示和文件夹名\n"
             "  --password-stdin   从标准输入的第一行读取密码\n"
             "                     （否则在终端上输入密码）\n"
             "  --help, -h         显示本说明\n"
             "  --version          显示版本号\n"
             "\n"
             "退出状态：0 完成；1 提前结束（密码不符合要求或错误、提问回答“否”、被\n"
             "Ctrl-C、SIGTERM 或 SIGHUP 取消）、没有加密任何文件（都大于5MB或无法读取）\n"
             "或有加密文件打不开；2 用法错误；3 文件错误；4 有文件无法读取而被略过（逐一\n"
             "列出）。取消的运行不会留下不完整的文件。\n",
    .classShortForm = "同 --class %1",
    .tryHelp = "运行 'tarvex-cli --help' 查看用法。",
    .noCommand = "没有给出命令",
    .unknownCommand = "未知命令“%1”",
    .unknownOption = "未知选项“%1”",
    .notAnOptionOf = "“%1”不是 %2 的选项",
    .notAnOptionOfClass = "“%1”不是 %2 级别的选项",
    .optionNeedsValue = "%1 需要一个值：%2",
    .intoNeedsFolder = "--into 需要一个文件夹",
    .intoNoFolder = "“%1”不是可以写入的文件夹",
    .optionTakes = "%1 的值只能是 %2，不能是“%3”",
    .yesAndNo = "--yes 和 --no 不能同时使用",
    .noFile = "没有给出文件",
    .emptyFileName = "文件名是空的",
    .notAFile = "“%1”不是文件名",
    .noWorkingFolder = "无法确定当前文件夹，请给出“%1”的完整路径",
    .notInOneFolder = "所有文件必须在同一个文件夹中，但“%1”不在“%2”中",
    .leavingOutFolder = "略过文件夹“%1”",
    .onlyFolders = "没有给出文件，只有文件夹",
    .noTerminal = "没有可以输入密码的终端，请使用 --password-stdin",
    .passwordPrompt = "密码：",
    .noPassword = "没有给出密码",
    .passwordLineTooLong = "密码行超过 %1 个字节",

    .yesOrNo = "[是(y)/否(n)]",
    .busy = "正在由密码生成密钥……",
    .leftOut = "%1：%2",
    .fileCannotOpen = "无法打开文件“%1”。%2",
    .fileCannotCreate = "无法创建文件“%1”。%2",
    .reasonNotRegularFile = "不是普通文件",
    .reasonBlockerOfAnotherUser = "“%1”属于另一个用户：请删除它",
    .reasonBlockerNotAFolder = "“%1”不是文件夹：请删除它",
    .reasonFolderIsALink = "文件夹“%1”是一个链接，可能指向任何地方：不会通过它写入文件",
    .reasonFolderOfAnotherUser = "文件夹“%1”属于另一个用户，他能读取写入其中的文件",
    .reasonFolderOpenToOthers = "其他人可以向文件夹“%1”中放入文件：不会在那里写入文件",
    .btncancel = "取消",
    .windowCaption = "Tarvex照片批量加密工具v" TARVEX_VERSION,
    .applicationTitle = "Tarvex照片批量加密工具",
    .languageMenu = "语言",
    .classMenu = "级别",
    .classItems = {"标准加密", "高级加密", "保护加密（真正的加密）"},
    .classGroupTip = "标准加密和高级加密只是把照片伪装起来：了解格式的人不用密码也能还原。\n"
                     "“级别”菜单里的保护加密才真正加密照片：只有密码能打开。",
    .protectedSign = "保护加密",
    .protectedSignTip = "加密文件真正被加密：只有密码能打开，任何改动都会被发现。\n"
                        "但文件名、文件大小以及哪些文件是同一次加密的，仍然看得出来。",
    .hideNames = "隐藏文件名",
    .hideNamesTip = "保护加密文件用 16 个随机字母和数字命名；照片的文件名和文件夹封存在加密文件"
                    "之中，一个文件夹树的加密文件都放在同一个文件夹里。",
    .removeOriginals = "验证后删除原文件",
    .removeOriginalsTip =
        "保护加密文件从磁盘读回、能完全还原照片后，才把照片移到回收站；否则照片保留在原处。",
    .filesChosen = "已选文件：%1",
    .openFolderItem = "打开文件夹...",
    .folderChosen = "已选文件夹（包括其下所有文件）：%1",
    .encryptToItem = "加密到...",
    .restoreToItem = "解密到...",
    .bannerPage = "/kro/ad.htm",
    .localHelpFile = "help.htm",
    .onlineHelpPage = "/kro/help.htm",
    .aboutPage = "/kro/about.htm",
    .donatePage = "/kro/donate.htm",
    .dropNotFound = "%1\n找不到该文件。",
    .dropTwoFolders = "%1\n%2\n这些文件不在同一个文件夹中，请拖入同一个文件夹中的文件。",
    .questionUnauthenticated = "%1\n与本次解密的保护加密文件不同，这个文件无法证明其内容未被改动："
                               "任何人都可能制作了它。仍然要解密吗？",
    .questionReplaceProtected =
        "%1\n这是一个保护加密文件。要用不需要密码就能打开的加密文件替换它吗？",
    .questionCostlyKey =
        "有一个加密文件要求的密钥约需 %1 秒才能生成，远多于本程序自己的密钥。仍然要生成吗？",
    .questionManyKeys = "本次解密已经生成了 %1 个密钥（每次加密的文件各需一个，每个约需一秒）。"
                        "继续生成密钥吗？",
    .questionOtherPassphrase =
        "该文件夹中存有用另一个密码加密的文件：\n%1\n仍用这个密码在其中加密吗？",
    .reasonUnauthenticated = "无法证明其内容未被改动，已按你的选择跳过",
    .reasonProtectedKept = "同名的保护加密文件已存在，已按你的选择保留",
    .reasonKeyDeclined = "生成其密钥太费时，已按你的选择跳过",
    .reasonReplaced = "运行开始后，它已不再是文件夹中原来的那个文件",
    .reasonNameTooLong = "其输出文件名将超过文件名的最大长度",
    .reasonFolderTaken = "其输出所需的文件夹处已有一个同名文件",
    .reasonLink = "链接，不会跟随",
    .reasonHidden = "隐藏文件",
    .reasonOwnFolder = "以前的加密或解密输出文件夹",
    .reasonFolderUnreadable = "无法读取的文件夹：%1",
    .reasonSystemFolder = "系统自身的文件夹，不会整个处理",
    .msgNotTaken = "所选文件夹中略过了：",
    .noteNotTaken = "%1：%2",
    .msgNotEncrypted = "以下文件没有加密：",
    .msgReplaced = "以下保护加密文件已被不需要密码就能打开的加密文件替换：",
    .msgTrashed = "%1 个原文件已移到回收站：清空回收站会将其永久删除。",
    .msgOriginalsKept = "以下原文件保留在原处：",
    .reasonNotVerified = "从磁盘读回的加密文件不能完全还原它",
    .reasonNotTrashed = "无法移到回收站：%1",
    .msgFirstDamaged = "%1\n这个文件已损坏，不是这一级别的完整加密文件，无法用它验证密码。"
                       "没有解密任何文件。",
    .msgPasswordTooLong = "密码超过 %1 个字符：标准加密和高级加密不接受更长的密码。"
                          "保护加密接受长的密码短语。",
    .msgPassphraseEmpty = "请先输入密码短语。",
    .msgPassphraseTooLong = "密码短语超过 %1 个字节。",
    .msgPassphraseIllegal = "密码短语中有不可打印的字符：%1。",
    .protectedPassnote = "1 - 1024 字节, 支持空格和所有字符",
    .strengthEstimate =
        "一个拥有 1000 块 GPU、每块每秒尝试 400 个密码短语的攻击者，需要%1才能找到它。",
    .strengthQuestion = "这样的密码短语在一年之内就可能被找到。仍然要使用它吗？",
    .lessThanASecond = "不到一秒",
    .someSeconds = "约 %1 秒",
    .someMinutes = "约 %1 分钟",
    .someHours = "约 %1 小时",
    .someDays = "约 %1 天",
    .someYears = "约 %1 年",
    .overAMillionYears = "一百万年以上",
    .dialogTwoFolders = "%1\n%2\n这些文件不在同一个文件夹中，请选择同一个文件夹中的文件。",
    .folderNotOpened = "无法打开文件夹“%1”：桌面上没有可以打开它的文件管理器。",
    .viewMenuItem = "查看...",
    .viewDialogFilter = "所有 (*.*)|*.*|保护加密 (*.tvx)|*.tvx",
    .viewerCaption = "%1 - Tarvex 看图",
    .viewerFileMenu = "文件",
    .viewerSaveCopy = "另存一份...",
    .viewerCopy = "复制",
    .viewerClose = "关闭",
    .viewerViewMenu = "查看",
    .viewerFit = "适合窗口",
    .viewerActualSize = "100 %",
    .viewerZoomIn = "放大",
    .viewerZoomOut = "缩小",
    .viewerZoomPercent = "%1 %",
    .viewerPrevious = "上一张",
    .viewerNext = "下一张",
    .viewerBackToGrid = "回到缩略图",
    .viewerCount = "%1 个加密文件",
    .viewerOneContainer = "1 个加密文件",
    .viewerPlainCount = "%1 张未加密图片",
    .viewerOnePlain = "1 张未加密图片",
    .viewerCountAndPlain = "%1，%2",
    .viewerPlainName = "%1（未加密）",
    .viewerDeriving = "正在由密码生成密钥……",
    .viewerPassphrase = "“%1”受保护加密，请输入它的密码：",
    .viewerPassphraseAgain = "这个密码打不开“%1”，请重新输入：",
    .viewerTooManyTries = "你已经连续10次输错密码。重新启动本软件之前，看图不再询问密码。",
    .viewerCostlyKey = "“%1”的密钥是平常的 %2 倍：生成它大约需要 %3 秒和 %4 MB 内存。要生成吗？",
    .viewerManyKeys = "这次查看已经生成了四个密钥，又有一个加密文件需要另外的密钥：每个大约需要一秒"
                      "和 256 MB 内存。继续生成密钥吗？",
    .viewerNotContainer = "不是加密文件",
    .viewerDamaged = "文件已损坏",
    .viewerNotOpened = "这个密码打不开，或者文件已损坏",
    .viewerWrongPassphrase = "密码错误",
    .viewerNoPassphrase = "没有密码：按回车键输入",
    .viewerKeyNotDerived = "没有生成密钥：按回车键生成",
    .viewerNotImage = "不是可以显示的图片",
    .viewerTooLarge = "图片太大，无法显示",
    .viewerUnreadable = "无法读取：%1",
    .viewerChanged = "读取时文件被修改了",
    .viewerLoading = "正在读取……",
    .viewerNothing = "没有可以查看的文件。",
    .viewerByFolder = "按文件夹排列",
    .viewerByTime = "按时间排列",
    .viewerSearch = "搜索名称和文件夹",
    .viewerTopFolder = "顶层文件夹",
    .viewerNoTime = "时间未知",
    .viewerMonthForm = "yyyy年M月",
    .viewerTimeForm = "yyyy年M月d日 hh:mm",
    .viewerBytes = "%1 字节",
    .viewerKilobytes = "%1 kB",
    .viewerMegabytes = "%1 MB",
    .viewerGigabytes = "%1 GB",
    .viewerFactsApart = " — ",
};

} // namespace

std::string filledIn(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string filled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next >= '1' && std::size_t(next - '1') < values.size()) {
            filled.append(values.begin()[next - '1']);
            ++i;
        } else {
            filled.push_back(text[i]);
        }
    }
    return filled;
}

std::vector<std::string> outputFolderNames() {
    std::vector<std::string> names;
    for (const LanguageTable* table : {&english, &chinese}) {
        names.emplace_back(table->encFolderName);
        names.emplace_back(table->decFolderName);
    }
    return names;
}

std::string_view programVersion() {
    return TARVEX_VERSION;
}

const LanguageTable& englishTable() {
    return english;
}
const LanguageTable& chineseTable() {
    return chinese;
}

} // namespace tarvex
