#include "desktop/QtDialogs.h"

#include "QtPrinting.h"
#include "desktop/QtText.h"
#include "support/TempFolder.h"
#include "texts/Catalogue.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

constexpr const char* imageFilter =
    "JPG; GIF; PNG; BMP; SVG; PAD|*.JPG;*.GIF;*.PNG;*.BMP;*.SVG;*.PAD;*.***E|All (*.*)|*.*";

// The open dialog's options for the image types, starting in `folder`.
OpenFilesDialogOptions imageTypesIn(const std::string& folder) {
    return {.nameFilters = nameFiltersOf(imageFilter),
            .filterIndex = 0,
            .initialFolder = QString::fromStdString(folder),
            .twoFolders = qtText(englishTable().dialogTwoFolders)};
}

// The names that `dialog` lists in its current folder, once it lists `count` of them.
QStringList listedNames(QFileDialog& dialog, qsizetype count) {
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    const auto names = [view] {
        QStringList listed;
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
            listed.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
        listed.sort(Qt::CaseInsensitive);
        return listed;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return names().size() == count; }, 20000));
    return names();
}

TEST(OpenDialog, ImageFilterMatchesWithoutRegardToCase) {
    TempFolder folder;
    for (const char* name :
         {"photo.jpg", "Scan.Png", "abc.JPGE", "old.jpge", "notes.txt", "README"})
        writeFile(folder / name, {1});

    OpenFilesDialog dialog(nullptr, imageTypesIn(folder.path()));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    // The dialog starts on the image types and shows the labels only.
    EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("JPG; GIF; PNG; BMP; SVG; PAD"));
    dialog.show();
    EXPECT_EQ(listedNames(dialog, 4),
              (QStringList{QStringLiteral("abc.JPGE"), QStringLiteral("old.jpge"),
                           QStringLiteral("photo.jpg"), QStringLiteral("Scan.Png")}));

    dialog.selectNameFilter(nameFiltersOf(imageFilter).at(1));
    EXPECT_EQ(listedNames(dialog, 6).size(), 6);
    dialog.close();
}

TEST(QtTexts, FilterTextBecomesOneQtFilterPerEntry) {
    EXPECT_EQ(
        nameFiltersOf("Images|*.JPG;*.***E|All (*.*)|*.*"),
        (QStringList{QStringLiteral("Images (*.JPG *.***E)"), QStringLiteral("All (*.*) (*)")}));
    EXPECT_EQ(nameFiltersOf(""), QStringList{});
}

TEST(QtTexts, MessagesBreakTheLineAtALoneCarriageReturn) {
    EXPECT_EQ(messageText("3 done:\r/pics/encrypted"), QStringLiteral("3 done:\n/pics/encrypted"));
    EXPECT_EQ(messageText("a\r\nb"), QStringLiteral("a\nb"));
}

// What a message box showed, and the press of one of its buttons.
struct ShownBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    Qt::TextFormat format = Qt::AutoText;
    QFont font; // of its text
    int width = 0;
};

// Records the message box that opens next and presses its button `press` (from 0).
void answerNextBox(ShownBox& shown, int press) {
    QMetaObject::invokeMethod(
        qApp,
        [&shown, press] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            const auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            shown = {box->windowTitle(), box->text(),  box->icon(), {},
                     box->textFormat(),  text->font(), box->width()};
            for (QAbstractButton* button : box->buttons())
                shown.buttons.append(button->text());
            box->buttons().at(press)->click();
        },
        Qt::QueuedConnection);
}

TEST(QtDialogs, QuestionsAskConfirmWithYesAndNo) {
    QtDialogs dialogs;
    for (const bool yes : {true, false}) {
        ShownBox shown;
        answerNextBox(shown, yes ? 0 : 1);
        EXPECT_EQ(dialogs.question(nullptr, QStringLiteral("Go on?")), yes);
        EXPECT_EQ(shown.caption, QStringLiteral("Confirm"));
        EXPECT_EQ(shown.text, QStringLiteral("Go on?"));
        EXPECT_EQ(shown.icon, QMessageBox::Question);
        EXPECT_EQ(shown.buttons, (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));
        EXPECT_EQ(shown.format, Qt::PlainText);
    }
}

TEST(QtDialogs, PlainMessagesHaveOneOkButtonUnderTheGivenCaption) {
    QtDialogs dialogs;
    ShownBox shown;
    answerNextBox(shown, 0);
    // A file name that looks like markup is shown as it is, not rendered.
    const QString text = QStringLiteral("Cannot create file \"/p/<i>x.jpg\". Is a directory");
    dialogs.message(nullptr, QStringLiteral("Title"), text);
    EXPECT_EQ(shown.caption, QStringLiteral("Title"));
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.format, Qt::PlainText);
    EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
    EXPECT_EQ(shown.buttons.size(), 1);
}

// A box speaks in the font of its window, not the desktop's, and is wide enough for a title bar
// to show its whole caption in a bold title font.
TEST(QtDialogs, BoxesTakeTheFontOfTheirWindowAndShowTheirWholeCaption) {
    QWidget window;
    QFont font(QStringLiteral("Nimbus Sans"));
    font.setPixelSize(17);
    window.setFont(font);
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    QtDialogs dialogs;

    const QString caption = QStringLiteral("Free Tarvex Image Encrypt Tool");
    ShownBox message;
    answerNextBox(message, 0);
    dialogs.message(&window, caption, QStringLiteral("OK"));
    EXPECT_EQ(message.font.family(), font.family());
    EXPECT_EQ(message.font.pixelSize(), 17);
    EXPECT_GT(message.width, QFontMetrics(titleFont).horizontalAdvance(caption));

    ShownBox question;
    answerNextBox(question, 1);
    dialogs.question(&window, QStringLiteral("?"));
    EXPECT_EQ(question.font.pixelSize(), 17);
    EXPECT_GT(question.width, QFontMetrics(titleFont).horizontalAdvance(question.caption));
}

// Where the desktop has no opener, or its opener (xdg-open) finds no browser, a page shows in
// the program's own window: one window, showing the page asked for last. Where it opens the
// page, no window shows.
TEST(QtDialogs, PagesTheDesktopCannotOpenShowInAWindowOfTheProgram) {
    TempFolder folder;
    const std::string bin = folder / "bin";
    std::filesystem::create_directory(bin);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin));
    const auto opener = [&bin](int exitCode) {
        std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nexit " << exitCode << "\n";
        std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
    };
    QWidget owner;
    QtDialogs dialogs;
    const struct {
        const char* desktop;
        std::function<void()> prepare;
        bool shownByProgram;
    } desktops[] = {
        {"no opener", [] {}, true},
        {"an opener that finds no browser", [&] { opener(3); }, true},
        {"an opener that opens the page", [&] { opener(0); }, false},
    };
    int pages = 0;
    for (const auto& desktop : desktops) {
        desktop.prepare();
        const QUrl page = QUrl::fromLocalFile(QString::fromStdString(folder / "page") +
                                              QString::number(++pages) + QStringLiteral(".htm"));
        dialogs.openPage(&owner, page);
        // The opener has ended, and what it said has been heard, once it is gone.
        EXPECT_TRUE(QTest::qWaitFor(
            [] { return QCoreApplication::instance()->findChildren<QProcess*>().isEmpty(); },
            20000));
        QCoreApplication::processEvents();
        const auto windows = owner.findChildren<QTextBrowser*>();
        ASSERT_EQ(windows.size(), 1) << desktop.desktop;
        EXPECT_TRUE(windows.front()->isWindow()) << desktop.desktop;
        EXPECT_EQ(windows.front()->source() == page, desktop.shownByProgram) << desktop.desktop;
    }
    qputenv("PATH", path);
}

// Qt's own texts follow the window's language; the question's caption and buttons are the
// program's own and stay as they are.
TEST(QtDialogs, QtsOwnTextsSpeakTheWindowsLanguage) {
    useQtTranslation(true);
    ASSERT_NE(QFileDialog::tr("Look in:"), QStringLiteral("Look in:"))
        << "Qt's Chinese translation is not installed";
    TempFolder folder;
    {
        OpenFilesDialog dialog(nullptr, imageTypesIn(folder.path()));
        const auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        ASSERT_NE(lookIn, nullptr);
        EXPECT_EQ(lookIn->text(), QFileDialog::tr("Look in:"));
        EXPECT_NE(lookIn->text(), QStringLiteral("Look in:"));
    }
    QtDialogs dialogs;
    ShownBox message;
    answerNextBox(message, 0);
    dialogs.message(nullptr, QStringLiteral("Title"), QStringLiteral("Text"));
    ASSERT_EQ(message.buttons.size(), 1);
    EXPECT_NE(message.buttons.front().remove(QLatin1Char('&')), QStringLiteral("OK"));
    ShownBox question;
    answerNextBox(question, 1);
    dialogs.question(nullptr, QStringLiteral("Go on?"));
    EXPECT_EQ(question.caption, QStringLiteral("Confirm"));
    EXPECT_EQ(question.buttons, (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));

    useQtTranslation(false);
    EXPECT_EQ(QFileDialog::tr("Look in:"), QStringLiteral("Look in:"));
}

// Names typed into the name field come back, every one, also those the image filter hides: a
// user who typed five names must not get four without a word.
TEST(OpenDialog, TypedNamesComeBackEvenWhenTheFilterHidesThem) {
    TempFolder folder;
    for (const char* name : {"a.jpg", "b.png", "photo one.jpeg", "notes"})
        writeFile(folder / name, {1});
    const QString inFolder = QString::fromStdString(folder.path()) + QLatin1Char('/');
    OpenFilesDialog dialog(nullptr, imageTypesIn(folder.path()));
    dialog.show();
    ASSERT_EQ(listedNames(dialog, 2).size(), 2);
    auto* nameField = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nameField, nullptr);
    nameField->setText(QStringLiteral("\"b.png\" \"photo one.jpeg\" \"a.jpg\" \"notes\""));
    QMetaObject::invokeMethod(&dialog, "accept");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenFiles(), (QStringList{inFolder + QStringLiteral("b.png"),
                                                 inFolder + QStringLiteral("photo one.jpeg"),
                                                 inFolder + QStringLiteral("a.jpg"),
                                                 inFolder + QStringLiteral("notes")}));
}

// Choosing all in a folder of many files takes every file and leaves the folders out, in the
// order of the names that Qt writes into the name field; the field stops at 32,767 characters.
TEST(OpenDialog, ASelectionOfTenThousandFilesComesBackWhole) {
    TempFolder folder;
    const QString inFolder = QString::fromStdString(folder.path()) + QLatin1Char('/');
    QStringList files;
    for (int i = 0; i < 10000; ++i) {
        const QString name = QStringLiteral("IMG_20240115_%1.jpg").arg(i, 6, 10, QLatin1Char('0'));
        writeFile(folder / name.toStdString(), {1});
        files.append(inFolder + name);
    }
    std::filesystem::create_directory(folder.path() + "/encrypted");
    OpenFilesDialog dialog(nullptr, imageTypesIn(folder.path()));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_EQ(listedNames(dialog, 10001).size(), 10001);
    // Ctrl+A in the view that shows the folder.
    auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("treeView"));
    if (!view->isVisible())
        view = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    const QString field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
    ASSERT_EQ(field.size(), 32767);

    QMetaObject::invokeMethod(&dialog, "accept");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const QStringList chosen = dialog.chosenFiles();
    ASSERT_EQ(chosen.size(), files.size());
    // "first" "second" ... "cut off: the names that the field holds whole.
    const QStringList parts = field.split(QLatin1Char('"'));
    qsizetype whole = 0;
    for (qsizetype i = 1; i + 1 < parts.size(); i += 2, ++whole)
        EXPECT_EQ(chosen.at(whole), inFolder + parts.at(i)) << whole;
    EXPECT_GT(whole, 800);
    QStringList sorted = chosen;
    sorted.sort();
    EXPECT_TRUE(sorted == files);
}

// Types `names` into the dialog's name field and accepts: the message the dialog then shows, after
// checking that the dialog refused the list and stays open.
ShownBox refusalOfTyped(OpenFilesDialog& dialog, const QString& names) {
    dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(names);
    ShownBox shown;
    answerNextBox(shown, 0);
    QMetaObject::invokeMethod(&dialog, "accept");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    return shown;
}

// A typed list that names a missing file is refused with the dialog's own message, as a single
// missing name is, and the dialog stays open.
TEST(OpenDialog, TypedListWithAMissingFileIsRefused) {
    TempFolder folder;
    writeFile(folder / "a.jpg", {1});
    OpenFilesDialog dialog(nullptr, imageTypesIn(folder.path()));
    dialog.show();
    ASSERT_EQ(listedNames(dialog, 1).size(), 1);
    const ShownBox shown = refusalOfTyped(dialog, QStringLiteral("\"a.jpg\" \"gone.jpg\""));
    EXPECT_TRUE(shown.text.startsWith(QStringLiteral("gone.jpg\n"))) << qPrintable(shown.text);
    dialog.close();
}

// A typed list must come from one folder: a run makes its output folder beside the first file
// only. Names written differently that lead to one folder are one folder.
TEST(OpenDialog, TypedListFromSeveralFoldersIsRefused) {
    TempFolder folder;
    writeFile(folder / "a.jpg", {1});
    std::filesystem::create_directory(folder.path() + "/sub");
    writeFile(folder / "sub/b.jpg", {1});
    const QString inFolder = QString::fromStdString(folder.path()) + QLatin1Char('/');
    OpenFilesDialog dialog(nullptr, imageTypesIn(folder.path()));
    dialog.show();
    ASSERT_EQ(listedNames(dialog, 2).size(), 2); // a.jpg and the folder sub

    ShownBox shown = refusalOfTyped(dialog, QStringLiteral("\"a.jpg\" \"sub/b.jpg\""));
    EXPECT_TRUE(shown.text.contains(QStringLiteral("different folders"))) << qPrintable(shown.text);

    shown = refusalOfTyped(dialog, QStringLiteral("\"a.jpg\" \"./sub/../a.jpg\" \"sub/./b.jpg\""));
    EXPECT_TRUE(shown.text.contains(inFolder + QStringLiteral("sub/b.jpg\n")))
        << qPrintable(shown.text);

    dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
        ->setText(QStringLiteral("\"sub/b.jpg\" \"sub/../sub/b.jpg\""));
    QMetaObject::invokeMethod(&dialog, "accept");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenFiles().size(), 2);
}

// Choosing all in a folder takes in its sub-folders, the "encrypted" of an earlier run among
// them: the files are taken and the folders left out. A folder chosen alone is entered.
TEST(OpenDialog, FoldersChosenWithFilesAreLeftOut) {
    TempFolder folder;
    writeFile(folder / "a.jpg", {1});
    writeFile(folder / "b.jpg", {1});
    std::filesystem::create_directory(folder.path() + "/encrypted");
    const QString inFolder = QString::fromStdString(folder.path()) + QLatin1Char('/');
    const struct {
        QStringList chosen; // names in the list
        QStringList files;  // none: the dialog enters the folder
    } choices[] = {
        {{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("encrypted")},
         {inFolder + QStringLiteral("a.jpg"), inFolder + QStringLiteral("b.jpg")}},
        {{QStringLiteral("b.jpg"), QStringLiteral("encrypted")},
         {inFolder + QStringLiteral("b.jpg")}},
        {{QStringLiteral("encrypted")}, {}},
    };
    for (const auto& choice : choices) {
        OpenFilesDialog dialog(nullptr, imageTypesIn(folder.path()));
        dialog.show();
        ASSERT_EQ(listedNames(dialog, 3).size(), 3);
        auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            const QModelIndex item = view->model()->index(row, 0, view->rootIndex());
            if (choice.chosen.contains(item.data().toString()))
                view->selectionModel()->select(item, QItemSelectionModel::Select |
                                                         QItemSelectionModel::Rows);
        }
        QMetaObject::invokeMethod(&dialog, "accept");
        const std::string chosen = choice.chosen.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, !choice.files.isEmpty()) << chosen;
        QStringList files = dialog.chosenFiles();
        files.sort();
        EXPECT_EQ(files, choice.files) << chosen;
        if (choice.files.isEmpty()) {
            EXPECT_EQ(dialog.directory().absolutePath(), inFolder + QStringLiteral("encrypted"));
        }
        dialog.close();
    }
}

// The dialog's history of folders stays with the program: nothing of it reaches the user's Qt
// settings, where a later start would find the folders of private and decrypted pictures.
TEST(OpenDialog, RemembersNothingBeyondTheProgram) {
    TempFolder userConfig;
    const QString userFolder = QString::fromStdString(userConfig.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userFolder);
    TempFolder pictures;
    QString keptIn;
    {
        const QtSettingsForThisRun settings;
        keptIn = settings.folder();
        {
            OpenFilesDialog dialog(nullptr, imageTypesIn(pictures.path()));
            dialog.show();
            dialog.close();
        }
        EXPECT_TRUE(QFileInfo::exists(keptIn + QStringLiteral("/QtProject.conf")));
    }
    EXPECT_FALSE(QFileInfo::exists(keptIn));
    EXPECT_FALSE(QFileInfo::exists(userFolder + QStringLiteral("/QtProject.conf")));
    // Without it, Qt writes there: the check above can fail.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userFolder);
    { OpenFilesDialog dialog(nullptr, {}); }
    EXPECT_TRUE(QFileInfo::exists(userFolder + QStringLiteral("/QtProject.conf")));
}

} // namespace
} // namespace tarvex::testing
