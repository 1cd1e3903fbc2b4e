#pragma once

#include "ScriptedDialogs.h"
#include "batch/Batch.h"
#include "support/TempFolder.h"
#include "viewer/ViewerWindow.h"

#include <QImage>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace tarvex::testing {

// The cost that keeps the tests fast; a reader honours the cost that a container names.
inline constexpr ProtectedCost cheapCost{1, 8192};
// How long a test waits for what the workers read: long, for a slow build on a busy machine.
inline constexpr int waitMs = 30000;

// Viewers of containers made in a temporary folder, their dialogs answered by the test, their
// files read through a file system that fails the test on any step that writes.
class ViewerTest : public ::testing::Test {
protected:
    ~ViewerTest() override;

    // Writes a picture of `size` named `name` into the folder of sources, in the format its
    // type names; a JPEG `turned` records that it is to be turned a quarter clockwise (EXIF
    // orientation 6). Gives its full path.
    std::string picture(const std::string& name, QSize size, bool turned = false);
    // Encrypts `sources` (of the folder of sources) into the folder `folder` beside them, in
    // `level` with `password`; gives the containers' paths in their order.
    std::vector<std::string> encrypt(const std::vector<std::string>& sources, ContainerClass level,
                                     const std::string& folder, const char* password = "secret1");
    // A viewer of `files`, shown; `writable` lets it write through the machine's file system.
    ViewerWindow& view(std::vector<std::string> files, bool writable = false);
    // Waits until every row of `viewer` shows a thumbnail or why it has none.
    static bool settled(ViewerWindow& viewer);
    // The text of why row `row` has no picture, or its thumbnail's size as "WxH".
    static std::string tile(ViewerWindow& viewer, int row);
    // The index in the grid of `viewer` of the tile of row `row`.
    static QModelIndex tileOf(ViewerWindow& viewer, int row);

    TempFolder temp;
    ScriptedDialogs dialogs;
    WrongTries tries;
    std::atomic<int> derivations{0};
    std::vector<std::unique_ptr<ViewerWindow>> viewers;
};

} // namespace tarvex::testing
