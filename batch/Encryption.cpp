#include "batch/Batch.h"
#include "batch/OutputNames.h"
#include "container/ContainerReader.h"
#include "container/Password.h"
#include "container/SizeLimit.h"
#include "files/PathParts.h"

namespace tarvex {

// What an encrypt run keeps while it goes through its files.
struct Batch::EncryptRun {
    WriterKeys keys;
    // Why the next file is left out before it is read, looked up while this one is in hand, so
    // that the file layer can start reading the next one meanwhile.
    FileOutcome next{};
    // The containers that encrypt which the run replaced with ones that do not.
    std::vector<std::string> replaced{};
};

RunResult Batch::encrypt(const EncryptRequest& request, RunReport& report) {
    return guarded([&](RunResult& result) { encryptFiles(request, report, result); });
}

void Batch::encryptFiles(const EncryptRequest& request, RunReport& report, RunResult& result) {
    result.passwordVerdict = checkPassword(request.password);
    if (result.passwordVerdict.problem != PasswordProblem::None) {
        result.end = RunEnd::PasswordRejected;
        return;
    }
    if (request.files.empty()) {
        return;
    }
    result.started = true;
    report.progress(
        {.stage = RunProgress::Stage::Started, .count = static_cast<int>(request.files.size())});
    EncryptRun run{.keys = {.password = request.password, .generator = &generator_}};
    if (classRow(request.containerClass).enciphered) {
        // One salt for the run: every container of it shares the key, which is derived once.
        run.keys.parameters = newProtectedParameters(request.cost);
        run.keys.key = keyFor(run.keys.parameters, request.password, report);
        if (run.keys.key == nullptr) {
            result.end =
                keys_.failure() == RunKeys::Failure::GivenUp ? RunEnd::Stopped : RunEnd::NoKey;
            return;
        }
    }
    // The run is sure to start: only now does its output folder appear. The scratch file's
    // folder is made by the file layer when the first High level container needs it.
    result.outputFolder = folderPart(request.files.front()) + request.outputFolderName;
    files_.createFolder(result.outputFolder);
    selection_ = files_.identify(request.files);
    run.next = readableOrWhy(request, 0);
    const bool completed = forEachFile(request.files, report, result, [&](std::size_t index) {
        return encryptOne(request, run, index, report);
    });
    result.replaced = std::move(run.replaced);
    result.end = completed ? RunEnd::Completed : RunEnd::Stopped;
}

FileOutcome Batch::readableOrWhy(const EncryptRequest& request, std::size_t index) {
    const SourceSize size = files_.readableSize(request.files[index]);
    if (size.error == notRegularFile) {
        return FileOutcome::leftOut(LeftOutReason::NotRegular);
    }
    if (size.error != 0) {
        return FileOutcome::leftOut(LeftOutReason::Unreadable, systemReason(size.error));
    }
    if (classRow(request.containerClass).sizeLimited && overSizeLimit(size.bytes)) {
        return FileOutcome::leftOut(LeftOutReason::TooLarge);
    }
    return FileOutcome::done();
}

bool Batch::holdsEncrypted(const std::string& path) {
    if (files_.readableSize(path).error != 0) {
        return false;
    }
    try {
        const FileEnd end = containerEnd(files_, path);
        const std::optional<ContainerClass> level = classAtEnd(end.bytes, end.wholeFile);
        return level && classRow(*level).enciphered;
    } catch (const FileError&) {
        return false;
    }
}

FileOutcome Batch::encryptOne(const EncryptRequest& request, EncryptRun& run, std::size_t index,
                              RunReport& report) {
    const FileOutcome before = run.next;
    const bool last = index + 1 == request.files.size();
    run.next = last ? FileOutcome::stopped() : readableOrWhy(request, index + 1);
    if (before.kind != FileOutcome::Kind::Done) {
        return before;
    }
    const std::string& path = request.files[index];
    const std::string output =
        containerPath(path, request.outputFolderName, request.appendSuffix ? "E" : "");
    // A container that only the password opens is not replaced by one that anyone opens
    // without a word: encrypting the same pictures again in another class is easily done.
    const bool replaces = !classRow(request.containerClass).enciphered && holdsEncrypted(output);
    if (replaces && !report.ask({.kind = RunQuestion::Kind::ReplaceProtected, .path = output})) {
        return FileOutcome::leftOut(LeftOutReason::ProtectedKept);
    }
    const bool nextRead = run.next.kind == FileOutcome::Kind::Done;
    FileOutcome outcome;
    try {
        outcome = encryption(path, nextRead ? request.files[index + 1] : std::string(),
                             request.containerClass, run.keys, output, report);
    } catch (const FileError& error) {
        // A source that cannot be read after all is left out, and the run goes on; an output
        // that cannot be made ends the run.
        if (error.action() != FileAction::Open || error.path() != path) {
            throw;
        }
        return FileOutcome::leftOut(LeftOutReason::Unreadable, error.reason());
    }
    if (replaces && outcome.kind == FileOutcome::Kind::Done) {
        run.replaced.push_back(output);
    }
    return outcome;
}

FileOutcome Batch::encryption(const std::string& sourcePath, const std::string& next,
                              ContainerClass level, const WriterKeys& keys,
                              const std::string& containerPath, RunReport& report) {
    const bool sizeLimited = classRow(level).sizeLimited;
    ContainerWriting& writer = writerOf(level);
    const std::unique_ptr<FileWriter> container =
        files_.createFile(containerPath, sourcePath, selection_);
    // A source given up takes no key: the next container gets the one it would have had.
    const KeyGenerator generatorBefore = generator_;
    writer.start(keys, SourceRecord{.name = namePart(sourcePath)},
                 [&container](std::string_view text) { container->write(asBytes(text)); });
    std::uint64_t read = 0;
    bool tooLarge = false;
    bool stopped = false;
    files_.readFile(sourcePath, next, [&](std::span<const std::uint8_t> piece) {
        stopped = report.stopRequested();
        read += piece.size();
        tooLarge = sizeLimited && read > largestSource;
        if (stopped || tooLarge) {
            return false;
        }
        writer.append(piece);
        return true;
    });
    if (!stopped && !tooLarge) {
        writer.finish();
        const std::string_view scratch = writer.scratchText();
        stopped = !scratch.empty() && !writeScratch(scratch, report);
    }
    if (stopped || tooLarge) {
        generator_ = generatorBefore;
        return stopped ? FileOutcome::stopped() : FileOutcome::leftOut(LeftOutReason::TooLarge);
    }
    container->complete();
    return FileOutcome::done();
}

} // namespace tarvex
