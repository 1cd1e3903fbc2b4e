// Containers made to hurt: a damaged first file, a marker after thousands of blank lines, keys
// that cost far too much or come in numbers, a source that shrinks while it is read, and a
// weaker container about to replace a Protected one. Each ends as the user would want, or asks.
#include "codec/Base64Body.h"
#include "container/ClassFormat.h"
#include "files/LocalFileSystem.h"
#include "support/CliProcess.h"
#include "support/ForwardingFileSystem.h"
#include "support/ScriptedReport.h"
#include "support/TempFolder.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;
using ::testing::StartsWith;

// The cost that keeps the tests fast; a reader honours the cost a container names.
constexpr ProtectedCost lowCost{1, 8192};

class HostileContainers : public ::testing::Test {
protected:
    HostileContainers() { runs.cost = lowCost; }

    // A Protected container of `bytes` at `name`, made by a run of its own (a salt of its own).
    std::string protectedContainer(const std::string& name, const Bytes& bytes) {
        writeFile(temp / name, bytes);
        EXPECT_EQ(runs.encrypt({temp / name}, ContainerClass::Protected).done, 1);
        return temp / ("encrypted/" + name + ".tvx");
    }

    TempFolder temp;
    ScriptedRuns runs{localFileSystem()};
    ScriptedReport& report = runs.report;
};

// The payload of the Protected container `path`, changed by `change`, written back as its text.
void changePayload(const std::string& path, const std::function<void(Bytes&)>& change) {
    const Bytes file = readFile(path);
    std::string text(file.begin(), file.end() - 6); // without the marker and its CR LF
    Bytes payload;
    decodeBody(text, payload);
    change(payload);
    std::string changed;
    encodeBody(payload, changed);
    changed.append("$$$$\r\n");
    writeFile(path, {changed.begin(), changed.end()});
}

// A first file that is no well-formed container of its class is named as damaged: no password
// can be checked against it, and it counts as no wrong one. Only a well-formed container that
// does not open does.
TEST_F(HostileContainers, ADamagedFirstFileIsNoWrongPassword) {
    const std::string good = protectedContainer("a.jpg", patternBytes(500, 1));
    const Bytes original = readFile(good);
    const std::vector<std::pair<std::string, std::function<void()>>> damages{
        {"bad magic", [&] { changePayload(good, [](Bytes& p) { p[7] = '9'; }); }},
        {"cost beyond the limits", [&] { changePayload(good, [](Bytes& p) { p[8] = 99; }); }},
        {"not Base64",
         [&] {
             Bytes text = original;
             text[100] = '#';
             writeFile(good, text);
         }},
        {"marker of the Standard class",
         [&] {
             Bytes text = original;
             std::copy_n("****", 4, text.end() - 6);
             writeFile(good, text);
         }},
    };
    for (const auto& [what, damage] : damages) {
        damage();
        const RunResult result = runs.decrypt({good});
        EXPECT_EQ(result.end, RunEnd::FirstDamaged) << what;
        EXPECT_FALSE(fs::exists(temp / "encrypted/decrypted")) << what;
        writeFile(good, original);
    }
    runs.password = "wrong12";
    EXPECT_EQ(runs.decrypt({good}).end, RunEnd::WrongPassword);
}

// The marker is found after blank lines of any number, in the first file and the others alike.
TEST_F(HostileContainers, AMarkerIsFoundAfterAnyNumberOfBlankLines) {
    const Bytes source = patternBytes(2000, 2);
    const std::string path = protectedContainer("b.jpg", source);
    writeFile(temp / "c.jpg", source);
    ASSERT_EQ(runs.encrypt({temp / "c.jpg"}, ContainerClass::Standard).done, 1);
    for (const std::string& container : {path, temp / "encrypted/c.jpg"}) {
        Bytes text = readFile(container);
        for (int i = 0; i < 5000; ++i) {
            text.insert(text.end(), {' ', '\r', '\n'});
        }
        writeFile(container, text);
    }
    const std::size_t askedBefore = report.eventsOf("question").size();
    EXPECT_EQ(runs.decrypt({path}).done, 1);
    EXPECT_EQ(runs.decrypt({temp / "encrypted/c.jpg"}).done, 1);
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/b.jpg"), source);
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/c.jpg"), source);
    EXPECT_EQ(report.eventsOf("question").size(), askedBefore);
}

// A container may name a derivation of half a minute and a gigabyte, and each run's containers
// need a key of their own: a key beyond four times the program's own cost, and a fifth key, are
// derived only when the user says so.
TEST_F(HostileContainers, CostlyKeysAreAskedAboutFirst) {
    // Six containers of six runs, each with a salt of its own: each is moved out of the output
    // folder before the next run, which would take its salt.
    std::vector<std::string> containers;
    fs::create_directory(temp / "made");
    for (int i = 0; i < 6; ++i) {
        const std::string name = std::to_string(i) + ".jpg.tvx";
        fs::rename(protectedContainer(std::to_string(i) + ".jpg", patternBytes(10, i)),
                   temp / ("made/" + name));
        containers.push_back(temp / ("made/" + name));
    }
    changePayload(containers[1], [](Bytes& p) {
        p[8] = 16;         // passes
        p[12] = p[13] = 0; // 1 GiB
        p[14] = 0x10;
    });
    report.script.answerNextQuestion(false); // the costly one
    report.script.answerNextQuestion(false); // a fifth key
    const std::size_t askedBefore = report.eventsOf("question").size();
    const RunResult result = runs.decrypt(containers);
    EXPECT_EQ(result.done, 4);
    const std::vector<std::string> questions = report.eventsOf("question");
    EXPECT_THAT(std::vector<std::string>(questions.begin() + askedBefore, questions.end()),
                ElementsAre(StartsWith("question: A container asks for a key that takes about 21 "
                                       "seconds"),
                            StartsWith("question: This run has derived 4 keys already")));
    EXPECT_THAT(report.eventsOf("left out"),
                ElementsAre(StartsWith("left out: 1.jpg.tvx: its key takes too long"),
                            StartsWith("left out: 5.jpg.tvx: its key takes too long")));
}

// Ctrl-C, SIGTERM and SIGHUP end a run at once, even while a key of half a minute is derived.
TEST_F(HostileContainers, ASignalEndsARunDuringALongDerivation) {
    const std::string container = protectedContainer("a.jpg", patternBytes(10, 1));
    changePayload(container, [](Bytes& p) {
        p[8] = 16;
        p[12] = p[13] = 0;
        p[14] = 0x10;
    });
    CliProcess cli({"decrypt", "--password-stdin", "--yes", container}, "secret1\n", temp.path());
    const auto waitUntil = [&](std::chrono::steady_clock::time_point until) {
        int status = 0;
        while (std::chrono::steady_clock::now() < until) {
            if (::waitpid(cli.pid(), &status, WNOHANG) == cli.pid()) {
                return true;
            }
            ::usleep(10'000);
        }
        return false;
    };
    ASSERT_FALSE(waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(1)))
        << "the derivation ended at once";
    cli.sendSignal(SIGTERM);
    EXPECT_TRUE(waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(3)))
        << "the program went on deriving";
    EXPECT_FALSE(fs::exists(temp / "encrypted/decrypted/a.jpg"));
}

// The file layer of the machine, but for a source that is cut short once it has been opened:
// each time, or the first time only.
class ShrinkingSource final : public ForwardingFileSystem {
public:
    ShrinkingSource(std::string source, bool everyTime)
        : source_(std::move(source)), everyTime_(everyTime) {}

    FileVersion readFile(const std::string& path, const std::string& next,
                         const VersionReceiver& opened, const PieceReceiver& take) override {
        if (path != source_ || (shrunk_ && !everyTime_)) {
            return ForwardingFileSystem::readFile(path, next, opened, take);
        }
        bool cut = false;
        return ForwardingFileSystem::readFile(
            path, next, opened, [&](std::span<const std::uint8_t> piece) {
                if (!cut) {
                    cut = shrunk_ = true;
                    fs::resize_file(source_, fs::file_size(source_) * 3 / 4);
                }
                return take(piece);
            });
    }

private:
    std::string source_;
    bool everyTime_;
    bool shrunk_ = false;
};

// A source cut short while it is read never gives a short container reported as done: it is
// read again as it is now, and left out when it keeps changing.
TEST_F(HostileContainers, ASourceThatShrinksWhileReadIsReadAgainOrLeftOut) {
    for (const bool everyTime : {false, true}) {
        fs::remove_all(temp / "encrypted");
        const std::string source = temp / "big.jpg";
        writeFile(source, patternBytes(3'000'000, 4));
        ShrinkingSource files(source, everyTime);
        ScriptedRuns shrinking(files);
        shrinking.cost = lowCost;
        const RunResult result = shrinking.encrypt({source}, ContainerClass::Protected);
        if (everyTime) {
            EXPECT_EQ(result.done, 0);
            EXPECT_THAT(shrinking.report.eventsOf("left out"),
                        ElementsAre("left out: big.jpg: it changed while it was read"));
            EXPECT_FALSE(fs::exists(temp / "encrypted/big.jpg.tvx"));
            continue;
        }
        ASSERT_EQ(result.done, 1);
        ASSERT_EQ(runs.decrypt({temp / "encrypted/big.jpg.tvx"}).done, 1);
        EXPECT_EQ(readFile(temp / "encrypted/decrypted/big.jpg"), readFile(source));
    }
}

// Encrypting again in a class that anyone opens does not replace a Protected container without a
// word; the end of the run says which it replaced.
TEST_F(HostileContainers, AProtectedContainerIsReplacedByAWeakerOneOnlyWhenTheUserSaysSo) {
    const std::string container = protectedContainer("a.jpg", patternBytes(100, 5));
    // An older Protected container, named after its picture.
    fs::rename(container, temp / "encrypted/a.jpg");
    const Bytes protectedText = readFile(temp / "encrypted/a.jpg");
    for (const bool yes : {false, true}) {
        report.script.answerNextQuestion(yes);
        const RunResult result = runs.encrypt({temp / "a.jpg"}, ContainerClass::Standard);
        EXPECT_THAT(report.eventsOf("question").back(),
                    StartsWith("question: " + temp / "encrypted/a.jpg" +
                               "\nThis is a Protected container."));
        EXPECT_EQ(readFile(temp / "encrypted/a.jpg") == protectedText, !yes);
        EXPECT_EQ(result.replaced, yes ? std::vector<std::string>{temp / "encrypted/a.jpg"}
                                       : std::vector<std::string>{});
    }
}

} // namespace
} // namespace tarvex::testing
