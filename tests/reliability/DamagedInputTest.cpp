// Damaged and foreign files in a decrypt run, and awkward names: each gives back the exact
// source, or a clear reason and nothing written in its place; never a crash or a hang.
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "container/Probe.h"
#include "files/LocalFileSystem.h"
#include "support/CliProcess.h"
#include "support/ScriptedReport.h"
#include "support/TempFolder.h"
#include "texts/Catalogue.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;

int inputsTried = 0;

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
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
    // A container of `source` written as `name` into the temporary folder.
    std::string container(const std::string& name, const Bytes& source, ContainerClass level) {
        const std::string text =
            buildContainer(source, level, "secret1", generator, [](std::string_view) {});
        writeFile(temp / name, {text.begin(), text.end()});
        return text;
    }

    RunResult decrypt(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(temp / name);
        }
        ++inputsTried;
        return runs.decrypt(paths);
    }

    TempFolder temp;
    KeyGenerator generator;
    ScriptedRuns runs{localFileSystem()};
    ScriptedReport& report = runs.report;
    const std::string notContainer{englishTable().msgNotContainer};
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
                const std::size_t questionsBefore = report.eventsOf("question").size();

                if (damage.readsBack) {
                    EXPECT_EQ(decrypt(selection).end, RunEnd::Completed);
                    EXPECT_EQ(readFile(temp / "decrypted/damaged.png"), source);
                    EXPECT_EQ(readFile(temp / "decrypted/good.jpg"), good);
                    EXPECT_EQ(report.eventsOf("question").size(), questionsBefore);
                    continue;
                }
                // Asked at the probe of the first file as it stands, which ends the run at No;
                // or else in the run, with its name, and No leaves it out.
                const bool atProbe = first && !probeContainer(changed, "secret1").containerFound;
                report.script.answerNextQuestion(false);
                const RunResult result = decrypt(selection);
                const std::vector<std::string> questions = report.eventsOf("question");
                ASSERT_EQ(questions.size(), questionsBefore + 1);
                EXPECT_EQ(questions.back(),
                          "question: " +
                              (atProbe ? notContainer : "damaged.pngE\n" + notContainer));
                EXPECT_EQ(result.end, atProbe ? RunEnd::Declined : RunEnd::Completed);
                if (!atProbe) {
                    ASSERT_EQ(result.leftOut.size(), 1u);
                    EXPECT_EQ(result.leftOut[0].path, temp / "damaged.pngE");
                    EXPECT_EQ(result.leftOut[0].reason, LeftOutReason::NotContainer);
                }
                // Nothing for the damaged file; the good one is restored unless the run ended at
                // the probe.
                EXPECT_EQ(namesIn(temp / "decrypted"),
                          atProbe ? std::set<std::string>{} : std::set<std::string>{"good.jpg"});
            }
        }
    }
}

// Each later file that may be no container is asked about, and the run goes on whatever the
// answer: Yes decodes it as it stands, No leaves it out; one that gives nothing is left out, not
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
    for (const bool yes : {true, true, false}) {
        report.script.answerNextQuestion(yes);
    }
    const RunResult result = decrypt({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_EQ(result.done, 3);
    EXPECT_EQ(report.eventsOf("question").front(), "question: b.jpg\n" + notContainer);
    EXPECT_EQ(namesIn(temp / "decrypted"), (std::set<std::string>{"a.jpg", "b.jpg", "e.jpg"}));
    EXPECT_EQ(readFile(temp / "decrypted/b.jpg"), readContainer(noMarker));
    EXPECT_EQ(readFile(temp / "decrypted/e.jpg"), good);
    EXPECT_THAT(report.eventsOf("left out"),
                ElementsAre("left out: c.jpg: it holds nothing to restore",
                            "left out: d.jpg: it is no container, and you left it out"));
}

// Containers whose restored names coincide: the later one is written under a numbered name, as
// a desktop names a second file of one name, and the run says so. The same container chosen
// twice writes one file.
TEST_F(DamagedInputTest, OutputsOfOneRunNeverReplaceEachOther) {
    const Bytes first = patternBytes(300, 1);
    const Bytes second = patternBytes(400, 2);
    container("abc.JPG", first, ContainerClass::Standard);
    container("abc.JPGE", second, ContainerClass::HighLevel);
    const RunResult result = decrypt({"abc.JPG", "abc.JPGE", "abc.JPG"});
    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_EQ(namesIn(temp / "decrypted"), (std::set<std::string>{"abc.JPG", "abc (2).JPG"}));
    EXPECT_EQ(readFile(temp / "decrypted/abc.JPG"), first);
    EXPECT_EQ(readFile(temp / "decrypted/abc (2).JPG"), second);
    EXPECT_THAT(result.renamed,
                ElementsAre(std::pair<std::string, std::string>{"abc.JPGE", "abc (2).JPG"}));
}

// A folder or a missing file in the selection: both runs leave it out and go on.
TEST_F(DamagedInputTest, FolderOrMissingFileInTheSelection) {
    const Bytes source = patternBytes(700, 4);
    container("a.jpg", source, ContainerClass::Standard);
    fs::create_directory(temp / "folder.jpg");
    for (const auto& [name, error] : {std::pair{"folder.jpg", EISDIR}, {"missing.jpg", ENOENT}}) {
        const RunResult decrypted = decrypt({"a.jpg", name});
        EXPECT_EQ(decrypted.end, RunEnd::Completed);
        ASSERT_EQ(decrypted.leftOut.size(), 1u);
        EXPECT_EQ(decrypted.leftOut[0].error, systemReason(error));
        EXPECT_EQ(readFile(temp / "decrypted/a.jpg"), source);
    }

    writeFile(temp / "plain.jpg", source);
    ++inputsTried;
    const RunResult result =
        runs.encrypt({temp / "plain.jpg", temp / "folder.jpg", temp / "missing.jpg"});
    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_EQ(result.leftOut.size(), 2u);
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
