#include "BatchFixture.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "files/PathParts.h"
#include "support/Umask.h"
#include "texts/Wording.h"

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

// A password that breaks its rule, or no file, ends the run before anything is made; in a decrypt
// run the rule is checked before the first file is asked about.
TEST_F(BatchTest, RejectedPasswordOrNoFileMakesNothing) {
    WorkingFolder inTemp(temp.path());
    const std::string plain = source("plain.jpg", patternBytes(200, 3));
    const struct {
        std::string password;
        std::vector<std::string> files;
        PasswordProblem problem;
        std::string offending;
    } cases[] = {
        {"ab d", {plain}, PasswordProblem::TooShort, ""},
        {"ab de\x7f", {plain}, PasswordProblem::Blank, ""},
        {"abc\x7f\x01", {plain}, PasswordProblem::IllegalCharacter, "\x7f"},
        {"secret1", {}, PasswordProblem::None, ""},
    };
    for (const auto& c : cases) {
        runs.password = c.password;
        for (const bool encrypt : {true, false}) {
            const RunResult result = encrypt ? runs.encrypt(c.files) : runs.decrypt(c.files);
            EXPECT_EQ(result.end, c.problem == PasswordProblem::None ? RunEnd::Completed
                                                                     : RunEnd::PasswordRejected)
                << c.password;
            EXPECT_EQ(result.passwordVerdict.problem, c.problem) << c.password;
            EXPECT_EQ(result.passwordVerdict.offending, c.offending) << c.password;
            EXPECT_FALSE(result.started);
        }
    }
    EXPECT_TRUE(report.events().empty());
    EXPECT_EQ(namesIn(temp.path()), std::set<std::string>{"plain.jpg"});
}

// Every file left out is told as it is, before the progress passes it.
TEST_F(BatchTest, SizeLimitSkipsFilesOf5000KbAndUnreadableOnes) {
    const RunResult result =
        runs.encrypt({sparseFile(temp / "under.jpg", 5'119'999),
                      sparseFile(temp / "at.jpg", 5'120'000), temp / "missing.jpg"});

    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(result.outputFolder, inFolder("encrypted"));
    EXPECT_EQ(namesIn(inFolder("encrypted")), std::set<std::string>{"under.jpg"});
    EXPECT_THAT(report.events(),
                ElementsAre("started 3", "file 1/3 under.jpg", "left out: at.jpg: larger than 5MB",
                            "file 2/3 at.jpg",
                            "left out: missing.jpg: cannot be read: No such file or directory",
                            "file 3/3 missing.jpg"));
    // The summary counts as too large only the files that are; the others are listed with why.
    const RunEndWords english = endWords(result, RunCommand::Encrypt, false, englishTable());
    EXPECT_THAT(english.messages,
                ElementsAre("1 of 3 images are larger than 5MB which not support, 1 images done.",
                            "These files were not encrypted:\rmissing.jpg: cannot be read: No such "
                            "file or directory"));
    EXPECT_EQ(english.openFolder,
              "1 done, will open the encrypted folder: \r" + temp.path() + "/encrypted");
    // The Chinese summary gives the count of files chosen first.
    EXPECT_THAT(endWords(result, RunCommand::Encrypt, true, chineseTable()).messages,
                ElementsAre("3 个照片中的 1 个照片大于5MB，只有 1 个被加密。"));
}

// While a file is encrypted the next one is read ahead; one that is left out is let go as soon as
// it is opened, and the file after it is read ahead in turn.
TEST_F(BatchTest, EachFileIsReadAheadAndOneLeftOutIsLetGoAtItsOpening) {
    const std::vector<std::uint8_t> bytes = patternBytes(300'000, 3);
    const RunResult result = runs.encrypt(
        {source("a.jpg", bytes), source("b.jpg", bytes), sparseFile(temp / "at.jpg", 5'120'000),
         source("c.jpg", bytes), temp / "missing.jpg", source("d.jpg", bytes)});

    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_THAT(files.namedNext,
                ElementsAre(inFolder("b.jpg"), inFolder("at.jpg"), inFolder("c.jpg"),
                            inFolder("missing.jpg"), inFolder("d.jpg"), ""));
    EXPECT_THAT(report.eventsOf("left out"),
                ElementsAre("left out: at.jpg: larger than 5MB",
                            "left out: missing.jpg: cannot be read: No such file or directory"));
    EXPECT_EQ(namesIn(inFolder("encrypted")),
              (std::set<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    for (const std::string name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        const std::vector<std::uint8_t> text = readFile(inFolder("encrypted/" + name));
        EXPECT_EQ(readContainer({reinterpret_cast<const char*>(text.data()), text.size()}), bytes)
            << name;
    }
}

// A stop between two files keeps the files before it; one inside a file leaves nothing of that
// file, not even a temporary file. Either way the file read ahead is given up.
TEST_F(BatchTest, AStopEndsTheRunBetweenOrInsideFiles) {
    std::vector<std::string> sources;
    for (int i = 1; i <= 5; ++i) {
        sources.push_back(source(std::to_string(i) + ".jpg", patternBytes(600'000, i)));
    }
    for (const bool inside : {false, true}) {
        std::filesystem::remove_all(inFolder("encrypted"));
        files.namedNext.clear();
        files.readAheadStops = 0;
        // Asked after the third file, or while it is read (after its first piece).
        int checks = 0;
        report.stopWhen = [&](int) {
            return inside ? files.namedNext.size() == 3 && ++checks == 2
                          : report.events().back() == "file 3/5 3.jpg";
        };
        const RunResult result = runs.encrypt(sources);

        EXPECT_EQ(result.end, RunEnd::Stopped);
        EXPECT_EQ(result.handled, inside ? 2 : 3);
        const std::set<std::string> written{"1.jpg", "2.jpg", "3.jpg"};
        EXPECT_EQ(namesIn(inFolder("encrypted")),
                  std::set(written.begin(), std::next(written.begin(), inside ? 2 : 3)));
        // 4.jpg was named next while 3.jpg was read; it is given up.
        EXPECT_EQ(files.namedNext.back(), sources[3]);
        EXPECT_EQ(files.readAheadStops, 1);
    }
}

// The output folder bears the name the request gives it, in the user's language.
TEST_F(BatchTest, RoundTripRestoresEveryByteInBothClasses) {
    const std::vector<std::vector<std::uint8_t>> contents{
        {}, patternBytes(1, 1), patternBytes(57, 2), patternBytes(70'001, 3)};
    for (const ContainerClass level : {ContainerClass::Standard, ContainerClass::HighLevel}) {
        const LanguageTable& language = languageTable(level == ContainerClass::Standard);
        std::vector<std::string> sources;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            sources.push_back(source("pic" + std::to_string(i) + ".png", contents[i]));
        }
        EncryptRequest encrypt = runs.encryptRequest(sources);
        encrypt.containerClass = level;
        encrypt.appendSuffix = true;
        encrypt.outputFolderName = language.encFolderName;
        const std::string encrypted = inFolder(std::string(language.encFolderName));
        ASSERT_EQ(runs.batch.encrypt(encrypt, report).outputFolder, encrypted);
        EXPECT_EQ(files.scratchWrites, level == ContainerClass::HighLevel ? 4 : 0);

        std::vector<std::string> containers;
        for (const std::string& path : sources) {
            containers.push_back(encrypted + "/" + namePart(path) + "E");
        }
        DecryptRequest decrypt = runs.decryptRequest(containers);
        decrypt.outputFolderName = language.decFolderName;
        const RunResult result = runs.batch.decrypt(decrypt, report);
        ASSERT_EQ(result.end, RunEnd::Completed);
        ASSERT_EQ(result.outputFolder, encrypted + "/" + std::string(language.decFolderName));
        for (std::size_t i = 0; i < contents.size(); ++i) {
            EXPECT_EQ(readFile(result.outputFolder + "/" + namePart(sources[i])), contents[i])
                << classRow(level).name << ", file " << i;
        }
    }
}

// A photo that only its owner may read gives a container and a restored file that only the owner
// may read.
TEST_F(BatchTest, ContainerAndRestoredFileKeepAPrivateSourcePrivate) {
    {
        const Umask umask(022);
        const std::string open = source("open.jpg", patternBytes(300, 4));
        const std::string owned = source("owned.jpg", patternBytes(300, 5));
        ASSERT_EQ(::chmod(owned.c_str(), 0600), 0);
        encryptAll({open, owned});
        ASSERT_EQ(
            runs.decrypt({inFolder("encrypted/open.jpg"), inFolder("encrypted/owned.jpg")}).end,
            RunEnd::Completed);
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
