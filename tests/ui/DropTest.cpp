#include "WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <gmock/gmock.h>

namespace tarvex::testing {
namespace {

using Drop = WindowTest;

// Where a drop lands: over the banner, the password entry, the folder field, a radio group.
const QPoint overBanner{250, 60};
const QPoint overPassword{100, 290};
const QPoint overFolder{200, 258};
const QPoint overClass{300, 220};

QUrl fileUrl(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

// Drops `urls` at `at` (in the content area) as the window system does: on the innermost widget
// there that takes drops. True when the drop was taken.
bool dropAt(TfrmMain& window, const QList<QUrl>& urls, QPoint at) {
    const QPoint inWindow = window.centralWidget()->mapTo(&window, at);
    QWidget* target = window.childAt(inWindow);
    if (target == nullptr)
        target = &window;
    while (!target->isWindow() && !target->acceptDrops())
        target = target->parentWidget();
    if (!target->acceptDrops())
        return false;
    QMimeData data;
    data.setUrls(urls);
    const QPoint position = target->mapFrom(&window, inWindow);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(position, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(position), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

TEST_F(Drop, DroppedFilesBecomeTheSelectionAsWithOpen) {
    for (const char* name : {"a.jpg", "b.png", "sub/c.jpg", "sub/B.jpg", "sub/.hidden",
                             "sub/inner/d.jpg", "encrypted/a.jpg", "other/e.jpg"}) {
        std::filesystem::create_directories(std::filesystem::path(temp / name).parent_path());
        writeFile(temp / name, {1});
    }
    std::filesystem::create_directory(temp / "empty");
    std::filesystem::create_symlink(temp / "gone.jpg", temp / "dangling.jpg");
    const QString inFolder = QString::fromStdString(temp.path()) + QLatin1Char('/');
    const struct {
        const char* what;
        QList<QUrl> urls;
        QPoint at;
        std::vector<std::string> chosen; // none: the drop is refused
        bool folders;                    // the folders chosen, each standing for its tree
        QString message;                 // why it is refused, if it says so
    } drops[] = {
        {"files, in the order dropped",
         {fileUrl(temp / "b.png"), fileUrl(temp / "a.jpg")},
         overBanner,
         {temp / "b.png", temp / "a.jpg"},
         false,
         {}},
        {"a folder: everything under it",
         {fileUrl(temp / "sub")},
         overPassword,
         {temp / "sub"},
         true,
         {}},
        {"files of two folders",
         {fileUrl(temp / "a.jpg"), fileUrl(temp / "other/e.jpg")},
         overClass,
         {},
         false,
         inFolder + QStringLiteral("a.jpg\n") + inFolder +
             QStringLiteral("other/e.jpg\nThese files are in different folders. Please drop "
                            "files from one folder.")},
        {"a link to nothing",
         {fileUrl(temp / "a.jpg"), fileUrl(temp / "dangling.jpg")},
         overBanner,
         {},
         false,
         QStringLiteral("dangling.jpg\nFile not found.")},
        {"a folder without files",
         {fileUrl(temp / "empty")},
         overBanner,
         {temp / "empty"},
         true,
         {}},
        {"a web address",
         {QUrl(QStringLiteral("https://example.com/a.jpg"))},
         overBanner,
         {},
         false,
         {}},
        {"files with a folder beside them: the files",
         {fileUrl(temp / "a.jpg"), fileUrl(temp / "encrypted")},
         overFolder,
         {temp / "a.jpg"},
         false,
         {}},
    };
    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (const auto& drop : drops) {
        dialogs.messages.clear();
        EXPECT_EQ(dropAt(*window, drop.urls, drop.at),
                  !drop.chosen.empty() || !drop.message.isEmpty())
            << drop.what;
        EXPECT_EQ(dialogs.messageTexts(),
                  drop.message.isEmpty() ? std::vector<QString>{} : std::vector{drop.message})
            << drop.what;
        if (!drop.chosen.empty()) {
            files = drop.folders ? std::vector<std::string>{} : drop.chosen;
            folders = drop.folders ? drop.chosen : std::vector<std::string>{};
        }
        EXPECT_EQ(window->selectedFiles(), files) << drop.what;
        EXPECT_EQ(window->selectedTrees(), folders) << drop.what;
        const std::string shown = folders.empty()
                                      ? std::filesystem::path(files.front()).parent_path().string()
                                      : folders.front();
        EXPECT_EQ(control<QLineEdit>("edtdir")->text().toStdString(), shown + "/") << drop.what;
    }
    // The folder field lists the chosen files, and Open starts in their folder.
    EXPECT_EQ(control<QLineEdit>("edtdir")->toolTip(), QStringLiteral("Files chosen: 1\na.jpg"));
    dialogs.script.cancelNextDialog();
    button("btnopen")->click();
    EXPECT_EQ(dialogs.dialogs.back().initialFolder.toStdString(), temp.path() + "/");
}

// The names of a choice are shown escaped: in the folder field's list of the chosen files and
// folders, and in the message that refuses files of two folders.
TEST_F(Drop, ChosenNamesAreShownEscaped) {
    const std::string hostile = "x\x1b]0;owned\x07\n.jpg";
    const QString shown = QStringLiteral("x\\x1b]0;owned\\x07\\n.jpg");
    std::filesystem::create_directory(temp / hostile);
    writeFile(temp / (hostile + "/b.jpg"), {1});
    writeFile(temp / "a.jpg", {1});
    writeFile(temp / (hostile + "/" + hostile), {1});

    window->takeStartFiles({temp / (hostile + "/" + hostile)});
    EXPECT_EQ(control<QLineEdit>("edtdir")->toolTip(), QStringLiteral("Files chosen: 1\n") + shown);
    window->takeStartFiles({temp / hostile});
    EXPECT_THAT(control<QLineEdit>("edtdir")->toolTip().toStdString(),
                ::testing::EndsWith("/" + shown.toStdString()));
    window->takeStartFiles({temp / "a.jpg", temp / (hostile + "/b.jpg")});
    ASSERT_EQ(dialogs.messageTexts().size(), 1u);
    EXPECT_TRUE(dialogs.messageTexts().front().contains(shown + QStringLiteral("/b.jpg")))
        << dialogs.messageTexts().front().toStdString();
}

TEST_F(Drop, DropDuringARunIsRefused) {
    const std::vector<std::string> files{source("a.jpg", 100, 1), source("b.jpg", 100, 2)};
    const std::string other = source("other.jpg", 100, 3);
    select(files);
    typePassword(QStringLiteral("abcde"));
    bool taken = true;
    atFile(files[1], [&] { taken = dropAt(*window, {fileUrl(other)}, overBanner); });
    dialogs.script.answerNextQuestion(false);
    button("btnenc")->click();
    waitForRunEnd();
    EXPECT_FALSE(taken);
    EXPECT_EQ(window->selectedFiles(), files);
}

} // namespace
} // namespace tarvex::testing
