#include "BatchFixture.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <sys/stat.h>

namespace tarvex::testing {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

class DecryptRunTest : public BatchTest {
protected:
    // One container "a.jpg" in the encrypted folder, made with the fixture's password.
    DecryptRunTest() {
        encryptAll({source("a.jpg", patternBytes(500, 1))});
        container = inFolder("encrypted/a.jpg");
    }

    std::string container;
};

TEST_F(DecryptRunTest, WrongPasswordEndsTheRunBeforeItsFolder) {
    runs.password = "wrong12";
    const RunResult result = runs.decrypt({container});
    EXPECT_EQ(result.end, RunEnd::WrongPassword);
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(fs::exists(inFolder("encrypted/decrypted")));
}

TEST_F(DecryptRunTest, FileWithoutMarkerAsksFirst) {
    const std::string plain = source("plain.jpg", patternBytes(200, 3));
    const std::string question = "question: " + std::string(texts.msgNotContainer);

    // No: nothing more happens.
    report.script.answerNextQuestion(false);
    EXPECT_EQ(runs.decrypt({plain, container}).end, RunEnd::Declined);
    EXPECT_THAT(report.eventsOf("question"), ElementsAre(question));
    EXPECT_FALSE(fs::exists(inFolder("decrypted")));

    // Yes: the password stored in its first characters is checked as in any container.
    report.script.answerNextQuestion(true);
    EXPECT_EQ(runs.decrypt({plain, container}).end, RunEnd::WrongPassword);
    EXPECT_THAT(report.eventsOf("question"), ElementsAre(question, question));

    // A rejected password is told before any question.
    runs.password = "abc";
    const std::size_t before = report.events().size();
    EXPECT_EQ(runs.decrypt({plain, container}).end, RunEnd::PasswordRejected);
    EXPECT_EQ(report.events().size(), before);
    EXPECT_FALSE(fs::exists(inFolder("decrypted")));
}

TEST_F(DecryptRunTest, YesToTheQuestionRunsOverAContainerWithoutMarker) {
    auto bytes = readFile(container);
    // The marker stands before the final CR LF.
    std::fill(bytes.end() - 6, bytes.end() - 2, std::uint8_t{'x'});
    report.script.answerNextQuestion(true);

    EXPECT_EQ(runs.decrypt({source("encrypted/nomarker.jpg", bytes), container}).end,
              RunEnd::Completed);
    EXPECT_EQ(namesIn(inFolder("encrypted/decrypted")),
              (std::set<std::string>{"nomarker.jpg", "a.jpg"}));
}

// A file that cannot be read is left out and named, as encrypt does; only the first, against
// which the password is checked, ends the run.
TEST_F(DecryptRunTest, AMissingFileIsLeftOutUnlessItIsTheFirst) {
    const std::string second = inFolder("encrypted/b.jpg");
    fs::copy_file(container, second);

    // The probed first file is gone: the run ends before it starts.
    fs::rename(container, inFolder("encrypted/a.moved"));
    RunResult result = runs.decrypt({container, second});
    expectFileError(result, FileAction::Open, container, ENOENT);
    EXPECT_FALSE(result.started);

    // A later file is gone, or a pipe: it is left out, and the run goes on.
    fs::rename(inFolder("encrypted/a.moved"), container);
    fs::remove(second);
    const std::string pipe = inFolder("encrypted/pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string third = inFolder("encrypted/c.jpg");
    fs::copy_file(container, third);
    result = runs.decrypt({container, second, pipe, third});
    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_EQ(result.done, 2);
    ASSERT_EQ(result.leftOut.size(), 2u);
    EXPECT_EQ(result.leftOut[0].reason, LeftOutReason::Unreadable);
    EXPECT_EQ(result.leftOut[0].error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(result.leftOut[1].reason, LeftOutReason::NotRegular);
    EXPECT_EQ(namesIn(inFolder("encrypted/decrypted")), (std::set<std::string>{"a.jpg", "c.jpg"}));
}

} // namespace
} // namespace tarvex::testing
