#include "passwords/PassphraseStrength.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

// zxcvbn's own figures, checked: a word of its dictionaries, however dressed, falls within
// hours at most; four common words chosen at random, or ten random characters, take millennia.
TEST(PassphraseStrength, TellsDictionaryWordsFromRandomOnes) {
    const std::pair<std::string_view, bool> cases[] = {
        {"password", true},
        {"sunshine", true},
        {"Summer2024", true},
        {"monkey123", true},
        {"correct horse battery staple", false},
        {"xK9#mP2$vL", false},
    };
    for (const auto& [passphrase, withinAYear] : cases) {
        EXPECT_EQ(foundWithinAYear(secondsToFind(passphrase)), withinAYear) << passphrase;
    }
}

} // namespace
} // namespace tarvex
