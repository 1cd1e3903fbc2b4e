// The runs in the Protected class: the password asked twice, one key a run, the probe that opens
// the first piece, a selection that mixes classes, and files that do not open left out.
#include "BatchFixture.h"
#include "files/PathParts.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>

namespace tarvex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The cost that keeps the tests fast; a reader honours the cost a container names.
constexpr ProtectedCost cheap{1, 8192};

class ProtectedRunTest : public BatchRunsTest {
protected:
    ProtectedRunTest() {
        runs.setProtectedCost(cheap);
        platform.level = ContainerClass::Protected;
    }

    // How many keys were derived since the last call.
    int derivations() {
        const auto& events = platform.events();
        const int count = static_cast<int>(
            std::count(events.begin() + counted_, events.end(), std::string("busy: on")));
        counted_ = events.size();
        return count;
    }

    // Decrypts `paths`, declining the offer to open the folder when there is one.
    RunOutcome decrypt(const std::vector<std::string>& paths, bool offered = true) {
        select(paths);
        if (offered) {
            platform.script.answerNextQuestion(false);
        }
        return runs.btndecClick();
    }

    // The files of the folder that are not complete outputs: hidden temporary files.
    static std::vector<std::string> temporaries(const std::string& folder) {
        std::vector<std::string> found;
        for (const std::string& name : namesIn(folder)) {
            if (name.starts_with(".")) {
                found.push_back(name);
            }
        }
        return found;
    }

private:
    std::size_t counted_ = 0;
};

// One key for a whole encrypt run, asked for twice; the containers restore exactly in a run that
// derives the key once, and a source far over the size limit of the designed classes is taken.
TEST_F(ProtectedRunTest, ARunDerivesOneKeyAndRestoresEveryFile) {
    const std::vector<Bytes> contents{
        {}, patternBytes(1, 1), patternBytes(70'000, 2), patternBytes(5'300'000, 3)};
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        sources.push_back(source("p" + std::to_string(i) + ".jpg", contents[i]));
    }
    encryptAll(sources);
    EXPECT_THAT(platform.events(), ::testing::Contains(HasSubstr("password again: ")));
    EXPECT_EQ(derivations(), 1);
    EXPECT_EQ(files.scratchWrites, 0);

    std::vector<std::string> containers;
    for (const std::string& path : sources) {
        containers.push_back(inFolder("encrypted/") + namePart(path));
        const Bytes text = readFile(containers.back());
        EXPECT_TRUE(std::string(text.begin(), text.end()).ends_with("$$$$\r\n"));
    }
    platform.level = ContainerClass::Standard; // the class of a file is its own, not the window's
    EXPECT_EQ(decrypt(containers), RunOutcome::Completed);
    EXPECT_EQ(derivations(), 1);
    for (std::size_t i = 0; i < contents.size(); ++i) {
        EXPECT_EQ(readFile(inFolder("encrypted/decrypted/") + namePart(sources[i])), contents[i])
            << i;
    }
}

// A second password that differs, or none, ends the run before anything is made.
TEST_F(ProtectedRunTest, TheSecondPasswordMustBeTheFirst) {
    select({source("a.jpg", patternBytes(100, 1))});
    platform.passwordTypedAgain = "secret2";
    EXPECT_EQ(runs.btnencClick(), RunOutcome::EndedEarly);
    EXPECT_THAT(platform.messages(), ElementsAre(texts.msgPasswordsDiffer));

    platform.passwordAgainDeclined = true;
    EXPECT_EQ(runs.btnencClick(), RunOutcome::EndedEarly);
    EXPECT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(derivations(), 0);
    EXPECT_FALSE(fs::exists(inFolder("encrypted")));
    EXPECT_TRUE(platform.runControlsEnabled);
}

// The probe opens the first piece of a Protected first file with the typed password: a wrong one
// is a failed try, toward the lock.
TEST_F(ProtectedRunTest, TheProbeOpensTheFirstPiece) {
    encryptAll({source("a.jpg", patternBytes(90'000, 1))});
    const std::string container = inFolder("encrypted/a.jpg");
    platform.password = "wrong12";
    EXPECT_EQ(decrypt({container}, false), RunOutcome::EndedEarly);
    EXPECT_THAT(platform.messages(), ElementsAre(texts.msgIllegalPassword));
    EXPECT_EQ(state.failedTries, 1);
    EXPECT_FALSE(fs::exists(inFolder("encrypted/decrypted")));

    platform.password = "secret1";
    EXPECT_EQ(decrypt({container}), RunOutcome::Completed);
    EXPECT_EQ(state.failedTries, 0);
    EXPECT_EQ(readFile(inFolder("encrypted/decrypted/a.jpg")), patternBytes(90'000, 1));
}

// A selection that mixes classes is read file by file by its own marker. The Protected files that
// do not open (another password, a line taken out, a character changed) are left out without a
// trace, the run goes on, and its end names them.
TEST_F(ProtectedRunTest, FilesThatDoNotOpenAreLeftOutAndNamed) {
    encryptAll({source("good.jpg", patternBytes(80'000, 1)),
                source("cut.jpg", patternBytes(80'000, 2)),
                source("flipped.jpg", patternBytes(5000, 3))});
    platform.password = "other99";
    platform.passwordTypedAgain = "other99";
    encryptAll({source("other.jpg", patternBytes(100, 4))});
    platform.password = "secret1";
    platform.passwordTypedAgain.reset();
    platform.level = ContainerClass::HighLevel;
    encryptAll({source("high.jpg", patternBytes(3000, 5))});

    const std::string folder = inFolder("encrypted/");
    Bytes cut = readFile(folder + "cut.jpg");
    const auto line = cut.begin() + 78 * 500;
    cut.erase(line, line + 78);
    writeFile(folder + "cut.jpg", cut);
    Bytes flipped = readFile(folder + "flipped.jpg");
    flipped[200] = flipped[200] == 'A' ? 'B' : 'A';
    writeFile(folder + "flipped.jpg", flipped);

    EXPECT_EQ(decrypt({folder + "good.jpg", folder + "cut.jpg", folder + "other.jpg",
                       folder + "high.jpg", folder + "flipped.jpg"}),
              RunOutcome::NotOpened);
    EXPECT_EQ(namesIn(folder + "decrypted"), (std::set<std::string>{"good.jpg", "high.jpg"}));
    EXPECT_EQ(readFile(folder + "decrypted/high.jpg"), patternBytes(3000, 5));
    ASSERT_EQ(platform.messages().size(), 1u);
    const std::string& notes = platform.messages().front();
    EXPECT_THAT(notes, HasSubstr(std::string(texts.msgLeftOut)));
    for (const std::string name : {"cut.jpg", "other.jpg", "flipped.jpg"}) {
        EXPECT_THAT(notes, HasSubstr("\r" + name + ": ")) << name;
    }
    EXPECT_THAT(notes, HasSubstr(joined({"other.jpg: ", texts.reasonNotOpened})));
    // The question counts the files restored.
    EXPECT_THAT(platform.questions().back(), ::testing::StartsWith("2 "));
    EXPECT_EQ(state.failedTries, 0);
}

// Cancel while the key is derived ends the run at once: nothing is written.
TEST_F(ProtectedRunTest, CancelEndsTheDerivationOfTheKey) {
    runs.setProtectedCost(protectedWriteCost);
    select({source("a.jpg", patternBytes(100, 1))});
    platform.onProcessMessages = [this](int) { runs.btncancelClick(); };
    EXPECT_EQ(runs.btnencClick(), RunOutcome::EndedEarly);
    EXPECT_THAT(platform.messages(), ElementsAre(texts.msgCanceled));
    EXPECT_FALSE(fs::exists(inFolder("encrypted")));
    EXPECT_EQ(platform.height, WindowHeight::Resting);
    EXPECT_TRUE(platform.runControlsEnabled);
}

// A stop asked for inside a file (the console's Ctrl-C) ends the run there, with no temporary
// file left, in either direction.
TEST_F(ProtectedRunTest, AStopInsideAFileLeavesNothing) {
    const std::string big = source("big.jpg", patternBytes(3'000'000, 1));
    encryptAll({big});
    platform.stopAsked = true;
    select({big});
    EXPECT_EQ(runs.btnencClick(), RunOutcome::EndedEarly);
    EXPECT_TRUE(temporaries(inFolder("encrypted")).empty());

    select({inFolder("encrypted/big.jpg")});
    EXPECT_EQ(runs.btndecClick(), RunOutcome::EndedEarly);
    EXPECT_FALSE(fs::exists(inFolder("encrypted/decrypted/big.jpg")));
    EXPECT_TRUE(temporaries(inFolder("encrypted/decrypted")).empty());
}

} // namespace
} // namespace tarvex::testing
