// A file step that fails in the middle of a run, at every step of the file layer, in both runs:
// the run ends with the error, which says what failed on which file and why, and nothing that was
// on disk before, or written before the fault, is lost or left half-written.
#include "FaultyCalls.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "files/LocalFileSystem.h"
#include "files/ScratchFile.h"
#include "support/ScriptedReport.h"
#include "support/TempFolder.h"
#include "texts/Wording.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> readBack(const std::string& containerPath) {
    const std::vector<std::uint8_t> text = readFile(containerPath);
    return readContainer({reinterpret_cast<const char*>(text.data()), text.size()});
}

struct FaultCase {
    bool encrypt;
    FaultStep step;
};

std::string caseName(const ::testing::TestParamInfo<FaultCase>& info) {
    std::string name =
        std::string(info.param.encrypt ? "Encrypt_" : "Decrypt_") + nameOf(info.param.step);
    std::erase(name, ' ');
    return name;
}

bool readsTheSource(FaultStep step) {
    return step == FaultStep::Open || step == FaultStep::Read;
}

// Three sources; the second one's step fails. b.jpg is larger than one read of the file layer.
class FileFaultTest : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override {
        for (const auto& [name, size] :
             {std::pair{"a.jpg", 3000}, {"b.jpg", 300'000}, {"c.jpg", 500}}) {
            sources[name] =
                patternBytes(static_cast<std::size_t>(size), static_cast<unsigned>(size));
            writeFile(temp / name, sources[name]);
        }
    }

    // Encrypts `names` with the machine's file system, into encrypted/ under names ending in E.
    void encryptForReal(const std::vector<std::string>& names, bool appendSuffix) {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(temp / name);
        }
        ScriptedRuns runs(localFileSystem());
        ASSERT_EQ(runs.encrypt(paths, ContainerClass::Standard, appendSuffix).end,
                  RunEnd::Completed);
    }

    void expectSourcesUntouched() {
        for (const auto& [name, bytes] : sources) {
            EXPECT_EQ(readFile(temp / name), bytes) << name;
        }
    }

    TempFolder temp;
    std::map<std::string, std::vector<std::uint8_t>> sources;
};

TEST_P(FileFaultTest, ErrorEndsTheRunAndNothingWrittenBeforeIsLost) {
    const FaultCase fault = GetParam();
    const std::string encrypted = temp / "encrypted";
    std::vector<std::string> selection;
    std::string target, shownPath, outputFolder;
    std::vector<std::uint8_t> earlierB;

    if (fault.encrypt) {
        // An earlier good container of b.jpg, made from other bytes, must survive the fault.
        const std::vector<std::uint8_t> newB = sources["b.jpg"];
        writeFile(temp / "b.jpg", patternBytes(777, 9));
        encryptForReal({"b.jpg"}, false);
        writeFile(temp / "b.jpg", newB);
        earlierB = readFile(encrypted + "/b.jpg");
        selection = {temp / "a.jpg", temp / "b.jpg", temp / "c.jpg"};
        // The source itself, not the earlier container of its name.
        target = readsTheSource(fault.step) ? temp / "b.jpg" : "b.jpg";
        shownPath = readsTheSource(fault.step) ? temp / "b.jpg" : encrypted + "/b.jpg";
        outputFolder = encrypted;
    } else {
        encryptForReal({"a.jpg", "b.jpg", "c.jpg"}, true);
        outputFolder = encrypted + "/decrypted";
        fs::create_directory(outputFolder);
        earlierB = patternBytes(777, 9);
        writeFile(outputFolder + "/b.jpg", earlierB);
        for (const std::string name : {"a.jpgE", "b.jpgE", "c.jpgE"}) {
            selection.push_back(encrypted + "/" + name);
            sources[std::string("encrypted/") + name] = readFile(encrypted + "/" + name);
        }
        target = readsTheSource(fault.step) ? "b.jpgE" : "b.jpg";
        shownPath = readsTheSource(fault.step) ? encrypted + "/b.jpgE" : outputFolder + "/b.jpg";
    }

    // A read fails the second time, with part of the file read (b.jpg is larger than one read).
    const bool second = fault.step == FaultStep::Read;
    const int occurrence = second ? 2 : 1;
    FaultyCalls calls(fault.step, target, occurrence);
    const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
    ScriptedRuns runs(*files);
    const RunResult result = fault.encrypt ? runs.encrypt(selection) : runs.decrypt(selection);

    ASSERT_EQ(calls.injected(), 1) << "the fault was never reached";
    expectSourcesUntouched();
    EXPECT_EQ(readFile(outputFolder + "/b.jpg"), earlierB);
    // A file that cannot be read is left out, and the run goes on.
    if (readsTheSource(fault.step)) {
        EXPECT_EQ(result.end, RunEnd::Completed);
        EXPECT_EQ(result.done, 2);
        ASSERT_EQ(result.leftOut.size(), 1u);
        EXPECT_EQ(result.leftOut[0].path, shownPath);
        EXPECT_EQ(result.leftOut[0].error, systemReason(errorOf(fault.step)));
        EXPECT_EQ(namesIn(outputFolder), (std::set<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
        return;
    }
    expectFileError(result, FileAction::Create, shownPath, errorOf(fault.step));
    EXPECT_EQ(result.done, 1);
    // a.jpg was written before the fault, b.jpg is the earlier file, c.jpg was never reached; no
    // temporary file is left.
    EXPECT_EQ(namesIn(outputFolder), (std::set<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(readFile(outputFolder + "/b.jpg"), earlierB);
    EXPECT_EQ(fault.encrypt ? readBack(outputFolder + "/a.jpg") : readFile(outputFolder + "/a.jpg"),
              sources["a.jpg"]);
}

std::vector<FaultCase> everyFault() {
    std::vector<FaultCase> cases;
    for (bool encrypt : {true, false}) {
        for (FaultStep step : {FaultStep::Open, FaultStep::Create, FaultStep::Read,
                               FaultStep::ShortWrite, FaultStep::NoSpace, FaultStep::Rename}) {
            cases.push_back({encrypt, step});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryStep, FileFaultTest, ::testing::ValuesIn(everyFault()), caseName);

// The High level scratch file is written with each container, once its source is complete: when
// it cannot be, the file in hand gets no container. The scratch file is written over in place, so
// no step renames it.
TEST_F(FileFaultTest, ScratchFileThatCannotBeWrittenEndsTheRun) {
    for (FaultStep step : {FaultStep::Create, FaultStep::NoSpace}) {
        SCOPED_TRACE(nameOf(step));
        fs::remove_all(temp / "encrypted");
        // b.jpg's scratch file is the second one opened, and its text the second one written.
        FaultyCalls calls(step, "thummb.db", 2);
        const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
        ScriptedRuns runs(*files);
        const std::string scratch = scratchFolderPath() + "/thummb.db";
        const std::set<std::string> scratchNames = namesIn(scratchFolderPath());

        const RunResult result = runs.encrypt({temp / "a.jpg", temp / "b.jpg", temp / "c.jpg"},
                                              ContainerClass::HighLevel);
        ASSERT_EQ(calls.injected(), 1);
        expectFileError(result, FileAction::Create, scratch, errorOf(step));
        EXPECT_EQ(worded(*result.fileError, englishTable()),
                  "Cannot create file \"" + scratch + "\". " + std::strerror(errorOf(step)));
        EXPECT_EQ(namesIn(temp / "encrypted"), std::set<std::string>{"a.jpg"});
        EXPECT_EQ(readBack(temp / "encrypted/a.jpg"), sources["a.jpg"]);
        // The scratch file stands, and nothing beside it.
        std::set<std::string> expectedNames = scratchNames;
        expectedNames.insert("thummb.db");
        EXPECT_EQ(namesIn(scratchFolderPath()), expectedNames);
        expectSourcesUntouched();
    }
}

// Reports the number of faults injected when the test program ends.
class FaultCount : public ::testing::Environment {
public:
    void TearDown() override {
        std::printf("faults injected: %d\n", FaultyCalls::injectedInProcess());
    }
};

const auto* const faultCount = ::testing::AddGlobalTestEnvironment(new FaultCount);

} // namespace
} // namespace tarvex::testing
