// Damaged and foreign files in a decrypt run, and awkward names: each gives back the exact
// source, or a clear message and nothing written in its place; never a crash or a hang.
#include "batch/BatchRuns.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "container/Probe.h"
#include "files/LocalFileSystem.h"
#include "support/CliProcess.h"
#include "support/Language.h"
#include "support/ScriptedPlatform.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

int inputsTried = 0;

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    if (fs::exists(folder)) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
    }
    return names;
}

struct Damage {
    const char* what;
    std::function<std::string(const std::string&)> change;
    bool readsBack; // false: the file may be no container, and the run asks before using it
};

const std::vector<Damage>& damages() {
    static const std::vector<Damage> table{
        {"nothing", [](const std::string& t) { return t; }, true},
        {"line ends LF", [](const std::string& t) { return replaceAll(t, "\r\n", "\n"); }, true},
        {"line ends CR", [](const std::string& t) { return replaceAll(t, "\r\n", "\r"); }, true},
        {"byte order mark", [](const std::string& t) { return "\xEF\xBB\xBF" + t; }, true},
        {"extra blank lines",
         [](const std::string& t) { return "\r\n" + replaceAll(t, "\r\n", "\r\n\r\n") + "\n\n"; },
         true},
        {"trailing blanks and tabs",
         [](const std::string& t) { return replaceAll(t, "\r\n", " \t \r\n"); }, true},
        {"no last line break, trailing blanks",
         [](const std::string& t) { return t.substr(0, t.size() - 2) + "   "; }, true},
        {"cut in half", [](const std::string& t) { return t.substr(0, t.size() / 2); }, false},
        {"last character cut", [](const std::string& t) { return t.substr(0, t.size() - 3); },
         false},
        {"cut to 10 bytes", [](const std::string& t) { return t.substr(0, 10); }, false},
        // The reader stops at a Ctrl-Z, so the marker after it is out of its reach.
        {"Ctrl-Z in the middle",
         [](const std::string& t) {
             return t.substr(0, t.size() / 2) + '\x1a' + t.substr(t.size() / 2);
         },
         false},
        // Bytes that no container holds make a file one that may be no container.
        {"4 KiB of NUL bytes inside",
         [](const std::string& t) {
             return t.substr(0, t.size() / 2) + std::string(4096, '\0') + t.substr(t.size() / 2);
         },
         false},
        {"a byte above 126 inside",
         [](const std::string& t) { return t.substr(0, 40) + "\xE9" + t.substr(40); }, false},
        {"an image that is no container",
         [](const std::string&) { return std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16); },
         false},
        {"empty", [](const std::string&) { return std::string(); }, false},
    };
    return table;
}

class DamagedInputTest : public ::testing::Test {
protected:
    DamagedInputTest() : runs(state, platform, localFileSystem()) {
        runs.FormCreate();
        applyLanguage(state, true);
        platform.password = "secret1";
    }

    // A container of `source` written as `name` into the temporary folder.
    std::string container(const std::string& name, const Bytes& source, ContainerClass level) {
        const std::string text =
            buildContainer(source, level, "secret1", generator, [](std::string_view) {});
        writeFile(temp / name, {text.begin(), text.end()});
        return text;
    }

    RunOutcome decrypt(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(temp / name);
        }
        platform.script.chooseNextFiles(paths);
        runs.btnopenClick();
        ++inputsTried;
        return runs.btndecClick();
    }

    TempFolder temp;
    KeyGenerator generator;
    SharedState state;
    ScriptedPlatform platform;
    BatchRuns runs;
    const StringCatalogue& texts = state.catalogue;
};

// Each damage to the first file of a run (the probed one) and to a later one, in both classes; a
// multi-line Standard container and a one-line High level one.
TEST_F(DamagedInputTest, DamagedContainerReadsBackOrIsAskedAbout) {
    const Bytes good = patternBytes(2000, 1);
    container("good.jpgE", good, ContainerClass::Standard);
    for (const ContainerClass level : {ContainerClass::Standard, ContainerClass::HighLevel}) {
        for (const Damage& damage : damages()) {
            for (const bool first : {true, false}) {
                SCOPED_TRACE(std::string(damage.what) + (first ? ", first file" : ", second file") +
                             (level == ContainerClass::HighLevel ? ", High level" : ""));
                fs::remove_all(temp / "decrypted");
                const Bytes source = patternBytes(3000, 2);
                const std::string text = container("damaged.pngE", source, level);
                const std::string changed = damage.change(text);
                writeFile(temp / "damaged.pngE", Bytes(changed.begin(), changed.end()));
                const std::vector<std::string> selection =
                    first ? std::vector<std::string>{"damaged.pngE", "good.jpgE"}
                          : std::vector<std::string>{"good.jpgE", "damaged.pngE"};
                const std::size_t questionsBefore = platform.questions().size();
                std::size_t messagesBefore = platform.messages().size();

                if (damage.readsBack) {
                    platform.script.answerNextQuestion(false); // the summary's offer
                    EXPECT_EQ(decrypt(selection), RunOutcome::Completed);
                    EXPECT_EQ(readFile(temp / "decrypted/damaged.png"), source);
                    EXPECT_EQ(readFile(temp / "decrypted/good.jpg"), good);
                } else {
                    // Asked at the probe of the first file as it stands, which ends the command
                    // at No; or else in the run, with its name, and No leaves it out.
                    const bool atProbe =
                        first && !probeContainer(changed, "secret1").containerFound;
                    platform.script.answerNextQuestion(false);
                    if (!atProbe) {
                        platform.script.answerNextQuestion(false); // the summary's offer
                    }
                    const RunOutcome outcome = decrypt(selection);
                    ASSERT_GT(platform.questions().size(), questionsBefore);
                    EXPECT_EQ(platform.questions()[questionsBefore],
                              atProbe ? std::string(texts.msgNotContainer)
                                      : joined({"damaged.pngE\n", texts.msgNotContainer}));
                    if (atProbe) {
                        EXPECT_EQ(outcome, RunOutcome::EndedEarly);
                    } else {
                        EXPECT_EQ(outcome, RunOutcome::NotOpened);
                        ASSERT_EQ(platform.messages().size(), messagesBefore + 1);
                        EXPECT_EQ(platform.messages().back(),
                                  joined({texts.msgLeftOut,
                                          "\rdamaged.pngE: ", texts.reasonNotContainer}));
                        ++messagesBefore;
                    }
                    // Nothing for the damaged file; the good one is restored unless the command
                    // ended at the probe.
                    EXPECT_EQ(namesIn(temp / "decrypted"), atProbe
                                                               ? std::set<std::string>{}
                                                               : std::set<std::string>{"good.jpg"});
                    EXPECT_EQ(platform.height, WindowHeight::Resting);
                }
                EXPECT_EQ(platform.messages().size(), messagesBefore) << "a message came";
                EXPECT_EQ(state.failedTries, 0) << "a damaged file counted as a wrong password";
                EXPECT_TRUE(platform.runControlsEnabled);
            }
        }
    }
}

// Each later file that may be no container is asked about, and the run goes on whatever the
// answer: Yes decodes it as it stands, No leaves it out; one that gives nothing is named, not
// counted as done.
TEST_F(DamagedInputTest, EachDoubtfulFileIsAskedAboutAndTheRunGoesOn) {
    const Bytes good = patternBytes(500, 3);
    container("a.jpg", good, ContainerClass::Standard);
    // Base64 with no marker: the reader takes its last 28 characters for a container's end.
    const std::string noMarker = "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZn";
    writeFile(temp / "b.jpg", Bytes(noMarker.begin(), noMarker.end()));
    writeFile(temp / "c.jpg", {'.', '.', '.'}); // nothing to decode
    writeFile(temp / "d.jpg", {'Q', 'U', 'J', 'D'});
    container("e.jpg", good, ContainerClass::HighLevel);
    for (const bool yes : {true, true, false, false}) {
        platform.script.answerNextQuestion(yes);
    }
    EXPECT_EQ(decrypt({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}), RunOutcome::NotOpened);
    EXPECT_EQ(platform.questions().front(), joined({"b.jpg\n", texts.msgNotContainer}));
    EXPECT_EQ(namesIn(temp / "decrypted"), (std::set<std::string>{"a.jpg", "b.jpg", "e.jpg"}));
    EXPECT_EQ(readFile(temp / "decrypted/b.jpg"), readContainer(noMarker));
    EXPECT_EQ(readFile(temp / "decrypted/e.jpg"), good);
    EXPECT_EQ(platform.messages().back(),
              joined({texts.msgLeftOut, "\rc.jpg: ", texts.reasonNothingRestored,
                      "\rd.jpg: ", texts.reasonNotContainer}));
    // The offer at the end counts the files restored.
    EXPECT_TRUE(platform.questions().back().starts_with(joined({"3", texts.msgDecDone})));
}

// Containers whose restored names coincide: the later one is written under a numbered name, as
// a desktop names a second file of one name, and the end of the run says so. The same container
// chosen twice writes one file.
TEST_F(DamagedInputTest, OutputsOfOneRunNeverReplaceEachOther) {
    const Bytes first = patternBytes(300, 1);
    const Bytes second = patternBytes(400, 2);
    container("abc.JPG", first, ContainerClass::Standard);
    container("abc.JPGE", second, ContainerClass::HighLevel);
    platform.script.answerNextQuestion(false);
    EXPECT_EQ(decrypt({"abc.JPG", "abc.JPGE", "abc.JPG"}), RunOutcome::Completed);
    EXPECT_EQ(namesIn(temp / "decrypted"), (std::set<std::string>{"abc.JPG", "abc (2).JPG"}));
    EXPECT_EQ(readFile(temp / "decrypted/abc.JPG"), first);
    EXPECT_EQ(readFile(temp / "decrypted/abc (2).JPG"), second);
    EXPECT_EQ(platform.messages().back(), joined({texts.msgRenamed, "\rabc.JPGE → abc (2).JPG"}));
}

// The class is read from the container itself: a container renamed, and decrypted with the other
// class chosen, reads back exactly.
TEST_F(DamagedInputTest, ContainerOfTheOtherClassRenamedReadsBack) {
    for (const ContainerClass chosen : {ContainerClass::Standard, ContainerClass::HighLevel}) {
        const auto level = chosen == ContainerClass::Standard ? ContainerClass::HighLevel
                                                              : ContainerClass::Standard;
        const Bytes source = patternBytes(4000, static_cast<unsigned>(chosen));
        container("renamed.gifE", source, level);
        platform.level = chosen;
        platform.script.answerNextQuestion(false);
        EXPECT_EQ(decrypt({"renamed.gifE"}), RunOutcome::Completed);
        EXPECT_EQ(readFile(temp / "decrypted/renamed.gif"), source);
    }
}

// A folder or a missing file in the selection: decrypting stops there with the file layer's text,
// encrypting passes over it and says so in its summary.
TEST_F(DamagedInputTest, FolderOrMissingFileInTheSelection) {
    const Bytes source = patternBytes(700, 4);
    container("a.jpg", source, ContainerClass::Standard);
    fs::create_directory(temp / "folder.jpg");
    for (const auto& [name, reason] : {std::pair{"folder.jpg", "Is a directory"},
                                       {"missing.jpg", "No such file or directory"}}) {
        EXPECT_EQ(decrypt({"a.jpg", name}), RunOutcome::FileError);
        EXPECT_EQ(platform.messages().back(),
                  "Cannot open file \"" + (temp / name) + "\". " + reason);
        EXPECT_EQ(readFile(temp / "decrypted/a.jpg"), source);
        EXPECT_TRUE(platform.runControlsEnabled);
    }

    writeFile(temp / "plain.jpg", source);
    platform.script.chooseNextFiles(
        {temp / "plain.jpg", temp / "folder.jpg", temp / "missing.jpg"});
    runs.btnopenClick();
    platform.script.answerNextQuestion(false);
    ++inputsTried;
    EXPECT_EQ(runs.btnencClick(), RunOutcome::Unreadable);
    EXPECT_EQ(platform.messages().back(),
              "2 of 3 images are larger than 5MB which not support, 1 images done.");
    EXPECT_EQ(namesIn(temp / "encrypted"), std::set<std::string>{"plain.jpg"});
}

// Names with blanks, quotes, Chinese characters and leading dashes through tarvex-cli: "--" ends
// the options, and a path such as ./-x.jpg is a file too.
TEST_F(DamagedInputTest, AwkwardNamesRoundTripThroughTheConsole) {
    const std::vector<std::string> names{"my photo.jpg", "it's \"quoted\".png", "照片 一.jpg",
                                         "-x.gif", "--high.bmp"};
    std::map<std::string, Bytes> sources;
    for (std::size_t i = 0; i < names.size(); ++i) {
        sources[names[i]] = patternBytes(100 + i * 1000, static_cast<unsigned>(i));
        writeFile(temp / names[i], sources[names[i]]);
    }
    // Without "--" a leading dash reads as an option: a usage error, and nothing is written.
    ++inputsTried;
    EXPECT_EQ(runCli({"encrypt", "--password-stdin", "-x.gif"}, "secret1\n", temp.path()), 2);
    EXPECT_FALSE(fs::exists(temp / "encrypted"));

    std::vector<std::string> encrypt{"encrypt",          "--high",   "--suffix",
                                     "--password-stdin", "./-x.gif", "--"};
    encrypt.insert(encrypt.end(), names.begin(), names.end());
    ++inputsTried;
    ASSERT_EQ(runCli(encrypt, "secret1\n", temp.path()), 0);
    std::vector<std::string> decrypt{"decrypt", "--password-stdin", "--"};
    for (const std::string& name : names) {
        decrypt.push_back("encrypted/" + name + "E");
    }
    ++inputsTried;
    ASSERT_EQ(runCli(decrypt, "secret1\n", temp.path()), 0);
    for (const std::string& name : names) {
        EXPECT_EQ(readFile(temp / ("encrypted/decrypted/" + name)), sources[name]) << name;
    }
}

class InputCount : public ::testing::Environment {
public:
    void TearDown() override { std::printf("damaged or foreign inputs tried: %d\n", inputsTried); }
};

const auto* const inputCount = ::testing::AddGlobalTestEnvironment(new InputCount);

} // namespace
} // namespace tarvex::testing
