#pragma once

#include "support/ForwardingFileSystem.h"
#include "support/ScriptedReport.h"
#include "support/TempFolder.h"
#include "texts/Catalogue.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tarvex::testing {

// The machine's file system, with a record of the files saved and read.
class RecordingFileSystem : public ForwardingFileSystem {
public:
    std::vector<std::string> saved;
    int scratchWrites = 0;              // scratch files opened
    std::vector<std::string> namedNext; // the next file named with each file read in pieces
    int readAheadStops = 0;
    // Called with the path of each file read in pieces once its first piece was taken.
    std::function<void(const std::string&)> afterFirstPiece;

    FileVersion readFile(const std::string& path, const std::string& next,
                         const VersionReceiver& opened, const PieceReceiver& take) override {
        namedNext.push_back(next);
        if (!afterFirstPiece) {
            return ForwardingFileSystem::readFile(path, next, opened, take);
        }
        bool first = true;
        return ForwardingFileSystem::readFile(path, next, opened,
                                              [&](std::span<const std::uint8_t> piece) {
                                                  const bool more = take(piece);
                                                  if (std::exchange(first, false)) {
                                                      afterFirstPiece(path);
                                                  }
                                                  return more;
                                              });
    }
    // Called after each flush of a file to the disk, and before each move to the Trash, with the
    // file's path: either may throw, as a failed step does.
    std::function<void(const std::string&)> afterFlush;
    std::function<void(const std::string&)> beforeTrash;
    void flushToDisk(const std::string& path) override {
        ForwardingFileSystem::flushToDisk(path);
        if (afterFlush) {
            afterFlush(path);
        }
    }
    bool moveToTrash(const std::string& path, const FileVersion& version) override {
        if (beforeTrash) {
            beforeTrash(path);
        }
        return ForwardingFileSystem::moveToTrash(path, version);
    }
    void stopReadingAhead() override {
        ++readAheadStops;
        ForwardingFileSystem::stopReadingAhead();
    }
    std::unique_ptr<FileWriter> createFile(const std::string& path, const std::string& source,
                                           const FileIdentities& keep,
                                           std::optional<std::int64_t> modified) override {
        saved.push_back(path);
        return ForwardingFileSystem::createFile(path, source, keep, modified);
    }
    std::unique_ptr<FileWriter> openScratch(const WaitHandler& whileLocked) override {
        ++scratchWrites;
        return ForwardingFileSystem::openScratch(whileLocked);
    }
};

// The runs over a fresh temporary folder, as the window calls them in English.
class BatchTest : public ::testing::Test {
protected:
    // Writes `name` into the temporary folder with `bytes` and gives its full path.
    std::string source(const std::string& name, const std::vector<std::uint8_t>& bytes);
    // Encrypts `paths`, which must complete.
    void encryptAll(const std::vector<std::string>& paths,
                    ContainerClass level = ContainerClass::Standard, bool appendSuffix = false);
    // The temporary folder followed by `name`.
    std::string inFolder(const std::string& name) const { return temp / name; }

    TempFolder temp;
    RecordingFileSystem files;
    ScriptedRuns runs{files};
    ScriptedReport& report = runs.report;
    const LanguageTable& texts = englishTable();
};

} // namespace tarvex::testing
