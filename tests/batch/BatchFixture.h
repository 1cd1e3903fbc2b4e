#pragma once

#include "batch/BatchRuns.h"
#include "support/Language.h"
#include "support/ScriptedPlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace tarvex::testing {

// The machine's file system, with a record of the files saved and a way to make one load fail.
class RecordingFileSystem : public FileSystem {
public:
    std::vector<std::string> saved;
    int scratchWrites = 0;              // scratch files opened
    std::string failLoading;            // reading this path throws FileError
    std::vector<std::string> namedNext; // the next file named with each file read in pieces
    int readAheadStops = 0;

    FileVersion readFile(const std::string& path, const std::string& next,
                         const VersionReceiver& opened, const PieceReceiver& take) override;
    FileEnd readFileEnd(const std::string& path, std::size_t count) override;
    void stopReadingAhead() override;
    FileIdentities identify(const std::vector<std::string>& paths) override;
    std::unique_ptr<FileWriter> createFile(const std::string& path, const std::string& source,
                                           const FileIdentities& keep) override;
    SourceSize readableSize(const std::string& path) override;
    void createFolder(const std::string& path, bool ownerOnly) override;
    std::vector<FolderEntry> listFolder(const std::string& folder) override;
    std::unique_ptr<FileWriter> openScratch(const WaitHandler& whileLocked) override;

private:
    void failIfAsked(const std::string& path) const;
};

// The runs over a fresh temporary folder, with the English texts applied and a valid password.
class BatchRunsTest : public ::testing::Test {
protected:
    BatchRunsTest();

    // Writes `name` into the temporary folder with `bytes` and gives its full path.
    std::string source(const std::string& name, const std::vector<std::uint8_t>& bytes);
    // Chooses `paths` in the open dialog.
    void select(std::vector<std::string> paths);
    // Encrypts `paths` with the current settings, declining the question at the end.
    void encryptAll(const std::vector<std::string>& paths);
    // The folder field's folder followed by `name`.
    std::string inFolder(const std::string& name) const { return temp.path() + "/" + name; }
    // The names of the files in `folder`.
    static std::set<std::string> namesIn(const std::string& folder);

    TempFolder temp;
    SharedState state;
    ScriptedPlatform platform;
    RecordingFileSystem files;
    BatchRuns runs{state, platform, files};
    const StringCatalogue& texts = state.catalogue;
};

} // namespace tarvex::testing
