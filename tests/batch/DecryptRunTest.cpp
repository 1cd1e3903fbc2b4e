#include "BatchFixture.h"

#include <filesystem>
#include <gmock/gmock.h>

namespace tarvex::testing {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

class DecryptRunTest : public BatchRunsTest {
protected:
    // One container "a.jpg" in the encrypted folder, made with the fixture's password.
    DecryptRunTest() {
        encryptAll({source("a.jpg", patternBytes(500, 1))});
        container = inFolder("encrypted/a.jpg");
    }

    // Presses Decrypt with a wrong password `times` times.
    void failTimes(int times) {
        const std::string right = platform.password;
        platform.password = "wrong12";
        for (int i = 0; i < times; ++i) {
            EXPECT_EQ(runs.btndecClick(), RunOutcome::EndedEarly);
        }
        platform.password = right;
    }

    std::vector<std::string> messagesSince(std::size_t before) const {
        return {platform.messages().begin() + static_cast<std::ptrdiff_t>(before),
                platform.messages().end()};
    }

    std::string container;
};

TEST_F(DecryptRunTest, TenWrongPasswordsInARowLockDecryptForGood) {
    select({container});
    failTimes(9);
    EXPECT_EQ(state.failedTries, 9);
    EXPECT_TRUE(platform.decryptEnabled);
    EXPECT_FALSE(fs::exists(inFolder("encrypted/decrypted")));

    const std::size_t before = platform.messages().size();
    failTimes(1);
    EXPECT_THAT(messagesSince(before),
                ElementsAre(texts.msgIllegalPassword, texts.msgTooManyTries));
    const auto& events = platform.events();
    EXPECT_THAT(std::vector(events.end() - 2, events.end()),
                ElementsAre("decrypt: off", joined({"message: ", texts.msgTooManyTries})));
    EXPECT_TRUE(runs.decryptLocked());

    // The right password changes nothing, and an encrypt run leaves Decrypt disabled.
    const std::size_t eventsBefore = events.size();
    EXPECT_EQ(runs.btndecClick(), RunOutcome::EndedEarly);
    EXPECT_EQ(events.size(), eventsBefore);
    encryptAll({source("b.jpg", {1})});
    EXPECT_TRUE(platform.runControlsEnabled);
    EXPECT_FALSE(platform.decryptEnabled);
}

TEST_F(DecryptRunTest, CompletedRunResetsTheCountButCancelledOneKeepsIt) {
    select({container});
    failTimes(9);
    platform.onProcessMessages = [this](int) { runs.btncancelClick(); };
    EXPECT_EQ(runs.btndecClick(), RunOutcome::EndedEarly);
    EXPECT_EQ(state.failedTries, 9);

    platform.onProcessMessages = nullptr;
    platform.script.answerNextQuestion(false);
    EXPECT_EQ(runs.btndecClick(), RunOutcome::Completed);
    EXPECT_EQ(state.failedTries, 0);

    failTimes(9);
    EXPECT_FALSE(runs.decryptLocked());
    failTimes(1);
    EXPECT_TRUE(runs.decryptLocked());
}

TEST_F(DecryptRunTest, FileWithoutMarkerAsksFirst) {
    const std::string plain = source("plain.jpg", patternBytes(200, 3));
    select({plain, container});

    // No: nothing more happens.
    platform.script.answerNextQuestion(false);
    EXPECT_EQ(runs.btndecClick(), RunOutcome::EndedEarly);
    EXPECT_EQ(platform.questions().back(), texts.msgNotContainer);
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_FALSE(fs::exists(inFolder("decrypted")));

    // Yes: the password stored in its first characters is checked as in any container.
    platform.script.answerNextQuestion(true);
    EXPECT_EQ(runs.btndecClick(), RunOutcome::EndedEarly);
    EXPECT_THAT(platform.messages(), ElementsAre(texts.msgIllegalPassword));
    EXPECT_EQ(state.failedTries, 1);

    // Yes with a rejected password: the rejection was shown before the question, nothing after.
    platform.password = "abc";
    platform.script.answerNextQuestion(true);
    EXPECT_EQ(runs.btndecClick(), RunOutcome::EndedEarly);
    EXPECT_THAT(std::vector(platform.messages().end() - 1, platform.messages().end()),
                ElementsAre(texts.msgTooShort));
    EXPECT_EQ(state.failedTries, 1);
}

TEST_F(DecryptRunTest, YesToTheQuestionRunsOverAContainerWithoutMarker) {
    auto bytes = readFile(container);
    // The marker stands before the final CR LF.
    std::fill(bytes.end() - 6, bytes.end() - 2, std::uint8_t{'x'});
    select({source("encrypted/nomarker.jpg", bytes), container});
    platform.script.answerNextQuestion(true);
    platform.script.answerNextQuestion(false);

    EXPECT_EQ(runs.btndecClick(), RunOutcome::Completed);
    EXPECT_EQ(namesIn(inFolder("encrypted/decrypted")),
              (std::set<std::string>{"nomarker.jpg", "a.jpg"}));
}

TEST_F(DecryptRunTest, MissingFileEndsTheCommandWithItsError) {
    const std::string second = inFolder("encrypted/b.jpg");
    fs::copy_file(container, second);
    select({container, second});

    // The probed first file is gone: the command ends before the run.
    fs::rename(container, inFolder("encrypted/a.moved"));
    EXPECT_EQ(runs.btndecClick(), RunOutcome::FileError);
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_THAT(platform.messages()[0], ::testing::StartsWith("Cannot open file"));

    // A later file is gone: the files before it stay, the window keeps its running height.
    fs::rename(inFolder("encrypted/a.moved"), container);
    fs::remove(second);
    failTimes(2);
    EXPECT_EQ(runs.btndecClick(), RunOutcome::FileError);
    EXPECT_THAT(platform.messages().back(), ::testing::StartsWith("Cannot open file"));
    EXPECT_EQ(namesIn(inFolder("encrypted/decrypted")), std::set<std::string>{"a.jpg"});
    EXPECT_EQ(platform.height, WindowHeight::Running);
    EXPECT_TRUE(platform.runControlsEnabled);
    EXPECT_EQ(state.failedTries, 2);
}

} // namespace
} // namespace tarvex::testing
