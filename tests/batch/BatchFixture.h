#pragma once

#include "support/ScriptedReport.h"
#include "support/TempFolder.h"
#include "ui/catalogue/Catalogue.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace tarvex::testing {

// The machine's file system, with a record of the files saved and read.
class RecordingFileSystem : public FileSystem {
public:
    std::vector<std::string> saved;
    int scratchWrites = 0;              // scratch files opened
    std::vector<std::string> namedNext; // the next file named with each file read in pieces
    int readAheadStops = 0;

    FileVersion readFile(const std::string& path, const std::string& next,
                         const VersionReceiver& opened, const PieceReceiver& take) override;
    FileEnd readFileEnd(const std::string& path, std::size_t count) override;
    void stopReadingAhead() override;
    FileIdentities identify(const std::vector<std::string>& paths) override;
    std::unique_ptr<FileWriter> createFile(const std::string& path, const std::string& source,
                                           const FileIdentities& keep,
                                           std::optional<std::int64_t> modified) override;
    SourceSize readableSize(const std::string& path) override;
    void createFolder(const std::string& path, bool ownerOnly) override;
    std::vector<FolderEntry> listFolder(const std::string& folder) override;
    std::unique_ptr<FileWriter> openScratch(const WaitHandler& whileLocked) override;
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
