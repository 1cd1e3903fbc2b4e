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
    EXPECT_EQ(platform.dialogs()[0].filter, englishTable().openDialogFilter);
    EXPECT_EQ(platform.dialogs()[0].filterIndex, 1);
    EXPECT_EQ(platform.dialogs()[0].initialFolder, "");
}

TEST_F(BatchRunsTest, LaterDialogsStartInTheProgramFolderOnTheImageTypes) {
    platform.script.cancelNextDialog();
    runs.btnopenClick();
    applyLanguage(state, false);
    select({temp / "a.jpg"});

    ASSERT_EQ(platform.dialogs().size(), 2u);
    EXPECT_EQ(platform.dialogs()[1].initialFolder, platform.executableFolder);
    EXPECT_EQ(platform.dialogs()[1].filterIndex, 1);
    EXPECT_EQ(platform.dialogs()[1].filter, chineseTable().openDialogFilter);
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
