#include "BatchFixture.h"

#include <gmock/gmock.h>

namespace tarvex::testing {
namespace {

using ::testing::ElementsAre;

TEST_F(BatchRunsTest, ChosenFilesBecomeTheSelectionInDialogOrder) {
    select({temp / "b.jpg", temp / "a.jpg"});

    EXPECT_THAT(state.selectedFiles, ElementsAre(temp / "b.jpg", temp / "a.jpg"));
    EXPECT_EQ(state.selectedCount, 2);
    EXPECT_EQ(platform.folder, temp.path() + "/");
    ASSERT_EQ(platform.dialogs().size(), 1u);
    EXPECT_EQ(platform.dialogs()[0].filter, englishTable().run.openDialogFilter);
    EXPECT_EQ(platform.dialogs()[0].filterIndex, 1);
    EXPECT_EQ(platform.dialogs()[0].initialFolder, "");
}

// Each dialog starts in the folder of the selection in force, the one of the last dialog that
// chose files, and on the image types whatever entry the user left it on.
TEST_F(BatchRunsTest, LaterDialogsStartInTheFolderOfTheLastSelectionOnTheImageTypes) {
    platform.script.cancelNextDialog();
    runs.btnopenClick();
    select({temp / "sub/b.jpg", temp / "a.jpg"});
    applyLanguage(state, false);
    platform.script.cancelNextDialog();
    runs.btnopenClick();
    select({temp / "a.jpg"});

    const std::vector<std::string> startFolders{"", "", temp / "sub/", temp / "sub/"};
    ASSERT_EQ(platform.dialogs().size(), startFolders.size());
    for (std::size_t i = 0; i < startFolders.size(); ++i) {
        EXPECT_EQ(platform.dialogs()[i].initialFolder, startFolders[i]) << "dialog " << i;
        EXPECT_EQ(platform.dialogs()[i].filterIndex, 1) << "dialog " << i;
    }
    EXPECT_EQ(platform.dialogs()[3].filter, chineseTable().run.openDialogFilter);
}

TEST_F(BatchRunsTest, CancelledDialogKeepsTheSelectionButTakesTheSuffixChoice) {
    select({temp / "a.jpg", temp / "b.jpg"});
    platform.suffix = 1;
    platform.script.cancelNextDialog();
    runs.btnopenClick();

    EXPECT_THAT(state.selectedFiles, ElementsAre(temp / "a.jpg", temp / "b.jpg"));
    EXPECT_EQ(state.selectedCount, 2);
    EXPECT_EQ(platform.folder, temp.path() + "/");
    EXPECT_TRUE(state.stripSuffix);
}

} // namespace
} // namespace tarvex::testing
