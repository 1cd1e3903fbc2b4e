#pragma once

#include "files/FileSystem.h"

namespace tarvex::testing {

// A file system that hands every step on to `files`: a test's double overrides the steps it
// watches or changes and keeps the rest.
class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem& files = localFileSystem()) : files_(files) {}

    void openRoots(const std::vector<std::string>& folders) override { files_.openRoots(folders); }
    void closeRoots() override { files_.closeRoots(); }

    FileVersion readFile(const std::string& path, const std::string& next,
                         const VersionReceiver& opened, const PieceReceiver& take) override {
        return files_.readFile(path, next, opened, take);
    }
    FileVersion readFileStart(const std::string& path, const VersionReceiver& opened,
                              const PieceReceiver& take) override {
        return files_.readFileStart(path, opened, take);
    }
    FileEnd readFileEnd(const std::string& path, std::size_t count) override {
        return files_.readFileEnd(path, count);
    }
    void stopReadingAhead() override { files_.stopReadingAhead(); }
    FileIdentities identify(const std::vector<std::string>& paths) override {
        return files_.identify(paths);
    }
    std::unique_ptr<FileWriter> createFile(const std::string& path, const std::string& source,
                                           const FileIdentities& keep,
                                           std::optional<std::int64_t> modified) override {
        return files_.createFile(path, source, keep, modified);
    }
    SourceSize readableSize(const std::string& path) override { return files_.readableSize(path); }
    void createFolder(const std::string& path, bool ownerOnly) override {
        files_.createFolder(path, ownerOnly);
    }
    void flushToDisk(const std::string& path) override { files_.flushToDisk(path); }
    bool moveToTrash(const std::string& path, const FileVersion& version) override {
        return files_.moveToTrash(path, version);
    }
    std::vector<FolderEntry> listFolder(const std::string& folder) override {
        return files_.listFolder(folder);
    }
    bool ownerOnly(const std::string& folder) override { return files_.ownerOnly(folder); }
    std::unique_ptr<FileWriter> openScratch(const WaitHandler& whileLocked) override {
        return files_.openScratch(whileLocked);
    }

private:
    FileSystem& files_;
};

} // namespace tarvex::testing
