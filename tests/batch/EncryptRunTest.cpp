#include "BatchFixture.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "files/PathParts.h"
#include "support/Umask.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex::testing {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

// Runs the test body in `folder`, so that a folder made relative to the working folder shows.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~WorkingFolder() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

std::string sparseFile(const std::string& path, off_t size) {
    writeFile(path, {});
    EXPECT_EQ(::truncate(path.c_str(), size), 0);
    return path;
}

TEST_F(BatchRunsTest, NothingSelectedShowsTheMessageAndTheDialogButCreatesNoFolder) {
    WorkingFolder inTemp(temp.path());
    for (const bool encrypt : {true, false}) {
        platform.script.cancelNextDialog();
        EXPECT_EQ(encrypt ? runs.btnencClick() : runs.btndecClick(), RunOutcome::EndedEarly);
    }

    EXPECT_THAT(platform.messages(), ElementsAre(texts.msgNoImageEnc, texts.msgNoImageDec));
    EXPECT_EQ(platform.dialogs().size(), 2u);
    EXPECT_TRUE(namesIn(temp.path()).empty());
    EXPECT_EQ(state.failedTries, 0);
    EXPECT_THAT(platform.events(), ::testing::Not(::testing::Contains("controls: off")));
}

TEST_F(BatchRunsTest, RejectedPasswordShowsItsMessagesAndCreatesNoFolder) {
    struct Case {
        std::string password;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases{
        {"ab d", {std::string(texts.msgTooShort)}},
        {"ab de\x7f", {std::string(texts.msgNoBlank)}},
        {"abc\x7f\x01", {"str0[i]:\x7f", std::string(texts.msgIllegalChar)}},
    };
    select({source("a.jpg", {1, 2, 3})});
    for (const Case& c : cases) {
        platform.password = c.password;
        const std::size_t before = platform.messages().size();
        EXPECT_EQ(runs.btnencClick(), RunOutcome::EndedEarly);
        EXPECT_EQ(std::vector(platform.messages().begin() + static_cast<std::ptrdiff_t>(before),
                              platform.messages().end()),
                  c.messages)
            << c.password;
    }
    EXPECT_FALSE(fs::exists(inFolder("encrypted")));
}

TEST_F(BatchRunsTest, SizeLimitSkipsFilesOf5000KbAndUnreadableOnes) {
    select({sparseFile(temp / "under.jpg", 5'119'999), sparseFile(temp / "at.jpg", 5'120'000),
            temp / "missing.jpg"});
    platform.script.answerNextQuestion(true);

    EXPECT_EQ(runs.btnencClick(), RunOutcome::Unreadable);

    EXPECT_EQ(namesIn(inFolder("encrypted")), std::set<std::string>{"under.jpg"});
    EXPECT_THAT(platform.messages(),
                ElementsAre("2 of 3 images are larger than 5MB which not support, 1 images done."));
    EXPECT_THAT(platform.questions(),
                ElementsAre(joined({"1", texts.msgEncDone, "\r", temp.path(), "/encrypted"})));
    EXPECT_THAT(platform.openedFolders(), ElementsAre(temp.path() + "/encrypted/"));
    EXPECT_EQ(platform.progressLabel, "3/3");
    EXPECT_EQ(platform.progressPosition, 0);
    EXPECT_EQ(platform.height, WindowHeight::Resting);
}

// While a file is encrypted the next one may be read ahead, but never one that is skipped.
TEST_F(BatchRunsTest, OnlyAFileToBeEncryptedIsNamedNext) {
    const std::vector<std::uint8_t> bytes = patternBytes(300'000, 3);
    select({source("a.jpg", bytes), source("b.jpg", bytes), sparseFile(temp / "at.jpg", 5'120'000),
            source("c.jpg", bytes), temp / "missing.jpg", source("d.jpg", bytes)});
    platform.script.answerNextQuestion(false);

    EXPECT_EQ(runs.btnencClick(), RunOutcome::Unreadable);

    EXPECT_THAT(files.namedNext, ElementsAre(inFolder("b.jpg"), "", "", ""));
    EXPECT_EQ(namesIn(inFolder("encrypted")),
              (std::set<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    for (const std::string name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        const std::vector<std::uint8_t> text = readFile(inFolder("encrypted/" + name));
        EXPECT_EQ(readContainer({reinterpret_cast<const char*>(text.data()), text.size()}), bytes)
            << name;
    }
}

TEST_F(BatchRunsTest, OnlySkippedFilesGiveTheSummaryAndNoQuestion) {
    select({sparseFile(temp / "at.jpg", 5'120'000)});
    EXPECT_EQ(runs.btnencClick(), RunOutcome::NothingDone);
    EXPECT_THAT(platform.messages(),
                ElementsAre("1 of 1 images are larger than 5MB which not support, 0 images done."));
    EXPECT_TRUE(platform.questions().empty());
    EXPECT_TRUE(namesIn(inFolder("encrypted")).empty());
}

// The English summary gives the skipped count first, the Chinese one the selected count.
TEST_F(BatchRunsTest, TheSummaryGivesItsCountsInTheOrderOfItsLanguage) {
    const std::vector<std::string> sources{sparseFile(temp / "a.jpg", 5'120'000),
                                           sparseFile(temp / "b.jpg", 6'000'000),
                                           source("c.jpg", patternBytes(100, 3))};
    for (const bool english : {true, false}) {
        applyLanguage(state, english);
        select(sources);
        platform.script.answerNextQuestion(false);
        EXPECT_EQ(runs.btnencClick(), RunOutcome::Completed);
    }
    EXPECT_THAT(platform.messages(),
                ElementsAre("2 of 3 images are larger than 5MB which not support, 1 images done.",
                            "3 个照片中的 2 个照片大于5MB，只有 1 个被加密。"));
}

TEST_F(BatchRunsTest, CancelDuringTheThirdOfFiveEndsAfterIt) {
    std::vector<std::string> sources;
    for (int i = 1; i <= 5; ++i) {
        sources.push_back(source(std::to_string(i) + ".jpg", patternBytes(100, i)));
    }
    select(sources);
    platform.onProcessMessages = [this](int call) {
        if (call == 3) {
            runs.btncancelClick();
        }
    };

    EXPECT_EQ(runs.btnencClick(), RunOutcome::EndedEarly);

    EXPECT_EQ(namesIn(inFolder("encrypted")), (std::set<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    // 4.jpg was named next while 3.jpg was read; it is given up.
    EXPECT_EQ(files.namedNext.back(), sources[3]);
    EXPECT_EQ(files.readAheadStops, 1);
    EXPECT_THAT(platform.messages(), ElementsAre(texts.msgCanceled));
    EXPECT_TRUE(platform.questions().empty());
    EXPECT_EQ(platform.progressLabel, "3/5");
    EXPECT_EQ(platform.progressPosition, 3);
    EXPECT_EQ(platform.height, WindowHeight::Resting);
}

TEST_F(BatchRunsTest, OutputFolderAndTextsFollowTheLanguage) {
    struct Case {
        bool english;
        std::string encrypted, decrypted, encDone, decDone;
    };
    const std::vector<Case> cases{
        {true, "encrypted", "decrypted",
         " done, will open the encrypted folder: ", " done, will open the decrypted folder:"},
        {false, "已加密", "已解密", " 个加密完成。打开文件夹：", " 个解密完成。打开文件夹："},
    };
    const auto bytes = patternBytes(300, 7);
    for (const Case& c : cases) {
        applyLanguage(state, c.english);
        select({source("a.jpg", bytes)});
        platform.script.answerNextQuestion(true);
        ASSERT_EQ(runs.btnencClick(), RunOutcome::Completed);

        const std::string encryptedFolder = temp.path() + "/" + c.encrypted;
        select({encryptedFolder + "/a.jpg"});
        platform.script.answerNextQuestion(true);
        ASSERT_EQ(runs.btndecClick(), RunOutcome::Completed);

        EXPECT_EQ(readFile(encryptedFolder + "/" + c.decrypted + "/a.jpg"), bytes);
        EXPECT_THAT(std::vector(platform.questions().end() - 2, platform.questions().end()),
                    ElementsAre("1" + c.encDone + "\r" + encryptedFolder,
                                "1" + c.decDone + "\r" + encryptedFolder + "/" + c.decrypted));
        EXPECT_THAT(std::vector(platform.openedFolders().end() - 2, platform.openedFolders().end()),
                    ElementsAre(encryptedFolder + "/", encryptedFolder + "/" + c.decrypted + "/"));
    }
}

TEST_F(BatchRunsTest, RoundTripRestoresEveryByteInBothClasses) {
    const std::vector<std::vector<std::uint8_t>> contents{
        {}, patternBytes(1, 1), patternBytes(57, 2), patternBytes(70'001, 3)};
    for (const ContainerClass level : {ContainerClass::Standard, ContainerClass::HighLevel}) {
        platform.level = level;
        platform.suffix = 1;
        std::vector<std::string> sources;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            sources.push_back(source("pic" + std::to_string(i) + ".png", contents[i]));
        }
        encryptAll(sources);
        EXPECT_EQ(files.scratchWrites, level == ContainerClass::HighLevel ? 4 : 0);

        std::vector<std::string> containers;
        for (const std::string& path : sources) {
            containers.push_back(inFolder("encrypted/") + namePart(path) + "E");
        }
        select(containers);
        platform.script.answerNextQuestion(false);
        ASSERT_EQ(runs.btndecClick(), RunOutcome::Completed);
        for (std::size_t i = 0; i < contents.size(); ++i) {
            EXPECT_EQ(readFile(inFolder("encrypted/decrypted/") + namePart(sources[i])),
                      contents[i])
                << classRow(level).name << ", file " << i;
        }
    }
}

// The class is read afresh for every file, so a change made in the window during a run applies
// from the next file on, the file read ahead included.
TEST_F(BatchRunsTest, AChangeOfClassDuringARunAppliesFromTheNextFile) {
    std::vector<std::string> sources;
    std::vector<std::vector<std::uint8_t>> contents;
    for (int i = 0; i < 5; ++i) {
        contents.push_back(patternBytes(700'000 + 1000 * i, 20 + i));
        sources.push_back(source("p" + std::to_string(i) + ".jpg", contents.back()));
    }
    platform.suffix = 1;
    constexpr auto standard = ContainerClass::Standard;
    constexpr auto high = ContainerClass::HighLevel;
    const std::vector<ContainerClass> levels{standard, high, high, standard, high};
    platform.onProcessMessages = [&](int call) {
        if (call < static_cast<int>(levels.size())) {
            platform.level = levels[call];
        }
    };
    select(sources);
    platform.script.answerNextQuestion(false);
    ASSERT_EQ(runs.btnencClick(), RunOutcome::Completed);

    std::vector<std::string> containers;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        containers.push_back(inFolder("encrypted/") + namePart(sources[i]) + "E");
        const std::vector<std::uint8_t> text = readFile(containers.back());
        const std::string_view marker = levels[i] == high ? "@@@@\r\n" : "****\r\n";
        EXPECT_TRUE(std::string_view(reinterpret_cast<const char*>(text.data()), text.size())
                        .ends_with(marker))
            << "file " << i;
    }
    select(containers);
    platform.script.answerNextQuestion(false);
    ASSERT_EQ(runs.btndecClick(), RunOutcome::Completed);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        EXPECT_EQ(readFile(inFolder("encrypted/decrypted/") + namePart(sources[i])), contents[i])
            << "file " << i;
    }
}

// A photo that only its owner may read gives a container and a restored file that only the owner
// may read.
TEST_F(BatchRunsTest, ContainerAndRestoredFileKeepAPrivateSourcePrivate) {
    {
        const Umask umask(022);
        const std::string open = source("open.jpg", patternBytes(300, 4));
        const std::string owned = source("owned.jpg", patternBytes(300, 5));
        ASSERT_EQ(::chmod(owned.c_str(), 0600), 0);
        encryptAll({open, owned});
        select({inFolder("encrypted/open.jpg"), inFolder("encrypted/owned.jpg")});
        platform.script.answerNextQuestion(false);
        ASSERT_EQ(runs.btndecClick(), RunOutcome::Completed);
    }
    const auto permissions = [](const std::string& path) {
        return fs::status(path).permissions() & fs::perms::mask;
    };
    using enum fs::perms;
    EXPECT_EQ(permissions(inFolder("encrypted/owned.jpg")), owner_read | owner_write);
    EXPECT_EQ(permissions(inFolder("encrypted/decrypted/owned.jpg")), owner_read | owner_write);
    EXPECT_EQ(permissions(inFolder("encrypted/open.jpg")),
              owner_read | owner_write | group_read | others_read);
}

} // namespace
} // namespace tarvex::testing
