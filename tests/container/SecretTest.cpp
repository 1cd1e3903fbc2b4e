#include "protected/Secret.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

TEST(Secret, FillsUpToItsRoomAndComparesWholeBytes) {
    Secret typed = Secret::withCapacity(3);
    for (const char c : std::string_view("abc")) {
        EXPECT_TRUE(typed.push_back(c));
    }
    EXPECT_FALSE(typed.push_back('d'));
    EXPECT_EQ(typed.view(), "abc");

    const std::pair<std::string_view, bool> others[] = {
        {"abc", true}, {"abd", false}, {"ab", false}, {"abcd", false}, {"", false}};
    for (const auto& [other, same] : others) {
        EXPECT_EQ(typed == Secret::copyOf(other), same) << other;
    }
    EXPECT_TRUE(Secret::withCapacity(0) == Secret::copyOf(""));

    Secret moved = std::move(typed);
    EXPECT_EQ(moved.view(), "abc");
    EXPECT_TRUE(typed.empty()); // NOLINT(bugprone-use-after-move): a moved-from secret is empty
    EXPECT_FALSE(typed.push_back('x'));
}

} // namespace
} // namespace tarvex
