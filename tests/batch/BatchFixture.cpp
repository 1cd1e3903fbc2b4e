#include "BatchFixture.h"

#include <filesystem>

namespace tarvex::testing {

void RecordingFileSystem::failIfAsked(const std::string& path) const {
    if (path == failLoading) {
        throw cannotOpen(path, EIO);
    }
}

FileVersion RecordingFileSystem::readFile(const std::string& path, const std::string& next,
                                          const VersionReceiver& opened,
                                          const PieceReceiver& take) {
    namedNext.push_back(next);
    failIfAsked(path);
    return localFileSystem().readFile(path, next, opened, take);
}

FileEnd RecordingFileSystem::readFileEnd(const std::string& path, std::size_t count) {
    failIfAsked(path);
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
                                                            const FileIdentities& keep) {
    saved.push_back(path);
    return localFileSystem().createFile(path, source, keep);
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

BatchRunsTest::BatchRunsTest() {
    runs.FormCreate();
    applyLanguage(state, true);
    platform.password = "secret1";
}

std::string BatchRunsTest::source(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = temp / name;
    writeFile(path, bytes);
    return path;
}

void BatchRunsTest::select(std::vector<std::string> paths) {
    platform.script.chooseNextFiles(std::move(paths));
    runs.btnopenClick();
}

void BatchRunsTest::encryptAll(const std::vector<std::string>& paths) {
    select(paths);
    platform.script.answerNextQuestion(false);
    ASSERT_EQ(runs.btnencClick(), RunOutcome::Completed);
}

std::set<std::string> BatchRunsTest::namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

} // namespace tarvex::testing
