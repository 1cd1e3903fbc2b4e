#include "BatchFixture.h"

namespace tarvex::testing {

FileVersion RecordingFileSystem::readFile(const std::string& path, const std::string& next,
                                          const VersionReceiver& opened,
                                          const PieceReceiver& take) {
    namedNext.push_back(next);
    return localFileSystem().readFile(path, next, opened, take);
}

FileEnd RecordingFileSystem::readFileEnd(const std::string& path, std::size_t count) {
    return localFileSystem().readFileEnd(path, count);
}

void RecordingFileSystem::stopReadingAhead() {
    ++readAheadStops;
    localFileSystem().stopReadingAhead();
}

FileIdentities RecordingFileSystem::identify(const std::vector<std::string>& paths) {
    return localFileSystem().identify(paths);
}

std::unique_ptr<FileWriter> RecordingFileSystem::createFile(const std::string& path,
                                                            const std::string& source,
                                                            const FileIdentities& keep,
                                                            std::optional<std::int64_t> modified) {
    saved.push_back(path);
    return localFileSystem().createFile(path, source, keep, modified);
}

SourceSize RecordingFileSystem::readableSize(const std::string& path) {
    return localFileSystem().readableSize(path);
}

void RecordingFileSystem::createFolder(const std::string& path, bool ownerOnly) {
    localFileSystem().createFolder(path, ownerOnly);
}

std::vector<FolderEntry> RecordingFileSystem::listFolder(const std::string& folder) {
    return localFileSystem().listFolder(folder);
}

std::unique_ptr<FileWriter> RecordingFileSystem::openScratch(const WaitHandler& whileLocked) {
    ++scratchWrites;
    return localFileSystem().openScratch(whileLocked);
}

std::string BatchTest::source(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = temp / name;
    writeFile(path, bytes);
    return path;
}

void BatchTest::encryptAll(const std::vector<std::string>& paths, ContainerClass level,
                           bool appendSuffix) {
    ASSERT_EQ(runs.encrypt(paths, level, appendSuffix).end, RunEnd::Completed);
}

} // namespace tarvex::testing
