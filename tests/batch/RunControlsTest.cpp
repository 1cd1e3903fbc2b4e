#include "BatchFixture.h"

#include <gmock/gmock.h>

namespace tarvex::testing {
namespace {

// While a run is between two files, every handler that would change what it reads refuses.
void expectRunLocksOut(BatchRuns& runs, ScriptedPlatform& platform) {
    EXPECT_TRUE(runs.running());
    EXPECT_FALSE(platform.runControlsEnabled);
    const std::size_t before = platform.events().size();
    runs.btnopenClick();
    EXPECT_EQ(runs.btnencClick(), RunOutcome::EndedEarly);
    EXPECT_EQ(runs.btndecClick(), RunOutcome::EndedEarly);
    EXPECT_EQ(platform.events().size(), before) << "a refused handler reached the window";
}

enum class Ending { Completed, Cancelled, CloseRequested, FileError };

struct ControlsCase {
    bool encrypt;
    Ending ending;
    RunOutcome outcome;
    std::vector<std::string> messages; // expected at the end, besides the error's text
};

TEST_F(BatchRunsTest, ControlsAreDisabledDuringTheRunAndEnabledHoweverItEnds) {
    const std::vector<std::uint8_t> bytes = patternBytes(64, 5);
    const std::vector<ControlsCase> cases{
        {true, Ending::Completed, RunOutcome::Completed, {}},
        {true, Ending::Cancelled, RunOutcome::EndedEarly, {std::string(texts.msgCanceled)}},
        {true, Ending::CloseRequested, RunOutcome::EndedEarly, {}},
        {true, Ending::FileError, RunOutcome::FileError, {}},
        {false, Ending::Completed, RunOutcome::Completed, {}},
        {false, Ending::Cancelled, RunOutcome::EndedEarly, {std::string(texts.msgCanceled)}},
        {false, Ending::CloseRequested, RunOutcome::EndedEarly, {}},
        {false, Ending::FileError, RunOutcome::FileError, {}},
    };
    encryptAll({source("a.jpg", bytes), source("b.jpg", bytes)});

    for (const ControlsCase& c : cases) {
        SharedState freshState;
        ScriptedPlatform freshPlatform;
        BatchRuns fresh(freshState, freshPlatform, files);
        fresh.FormCreate();
        applyLanguage(freshState, true);
        freshPlatform.password = platform.password;
        const std::string folder = c.encrypt ? temp.path() + "/" : inFolder("encrypted/");
        freshPlatform.script.chooseNextFiles({folder + "a.jpg", folder + "b.jpg"});
        fresh.btnopenClick();
        files.failLoading = c.ending == Ending::FileError ? folder + "b.jpg" : "";

        freshPlatform.onProcessMessages = [&](int) {
            expectRunLocksOut(fresh, freshPlatform);
            if (c.ending == Ending::Cancelled) {
                fresh.btncancelClick();
            } else if (c.ending == Ending::CloseRequested) {
                fresh.requestClose();
            }
        };
        if (c.ending == Ending::Completed) {
            freshPlatform.script.answerNextQuestion(false);
        }

        const RunOutcome outcome = c.encrypt ? fresh.btnencClick() : fresh.btndecClick();
        SCOPED_TRACE(::testing::Message() << (c.encrypt ? "encrypt" : "decrypt") << " ending "
                                          << static_cast<int>(c.ending));
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_FALSE(fresh.running());
        EXPECT_TRUE(freshPlatform.runControlsEnabled);
        EXPECT_TRUE(freshPlatform.decryptEnabled);
        EXPECT_EQ(fresh.closeRequested(), c.ending == Ending::CloseRequested);
        if (c.ending == Ending::FileError) {
            ASSERT_EQ(freshPlatform.messages().size(), 1u);
            EXPECT_EQ(freshPlatform.messages()[0],
                      "Cannot open file \"" + folder + "b.jpg\". Input/output error");
            EXPECT_EQ(freshPlatform.height, WindowHeight::Running);
        } else {
            EXPECT_EQ(freshPlatform.messages(), c.messages);
            EXPECT_EQ(freshPlatform.height, WindowHeight::Resting);
        }
        EXPECT_EQ(freshPlatform.processMessagesCalls(), c.ending == Ending::Completed ? 2 : 1);
    }
    files.failLoading.clear();
}

} // namespace
} // namespace tarvex::testing
