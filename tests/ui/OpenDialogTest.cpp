#include "QtDialogs.h"
#include "QtPlatform.h"
#include "QtPrinting.h"
#include "TempFolder.h"

#include <QFileDialog>
#include <QListView>
#include <QTest>
#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

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

    QFileDialog dialog;
    const std::string filter =
        "JPG; GIF; PNG; BMP; SVG; PAD|*.JPG;*.GIF;*.PNG;*.BMP;*.SVG;*.PAD;*.***E|All (*.*)|*.*";
    configureOpenDialog(dialog, {.nameFilters = nameFiltersOf(filter),
                                 .filterIndex = 0,
                                 .initialFolder = QString::fromStdString(folder.path())});
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    // The dialog starts on the image types and shows the labels only.
    EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("JPG; GIF; PNG; BMP; SVG; PAD"));
    dialog.show();
    EXPECT_EQ(listedNames(dialog, 4),
              (QStringList{QStringLiteral("abc.JPGE"), QStringLiteral("old.jpge"),
                           QStringLiteral("photo.jpg"), QStringLiteral("Scan.Png")}));

    dialog.selectNameFilter(nameFiltersOf(filter).at(1));
    EXPECT_EQ(listedNames(dialog, 6).size(), 6);
    dialog.close();
}

TEST(OpenDialog, FilterTextBecomesOneQtFilterPerEntry) {
    EXPECT_EQ(
        nameFiltersOf("Images|*.JPG;*.***E|All (*.*)|*.*"),
        (QStringList{QStringLiteral("Images (*.JPG *.***E)"), QStringLiteral("All (*.*) (*)")}));
    EXPECT_EQ(nameFiltersOf(""), QStringList{});
}

TEST(OpenDialog, MessagesBreakTheLineAtALoneCarriageReturn) {
    EXPECT_EQ(messageText("3 done:\r/pics/encrypted"), QStringLiteral("3 done:\n/pics/encrypted"));
    EXPECT_EQ(messageText("a\r\nb"), QStringLiteral("a\nb"));
}

} // namespace
} // namespace tarvex::testing
