#include "batch/Batch.h"
#include "batch/OutputNames.h"
#include "container/ContainerReader.h"
#include "container/Probe.h"
#include "files/PathParts.h"
#include "passwords/PasswordRules.h"
#include "protected/ProtectedLayout.h"

namespace tarvex {

// What a decrypt run keeps while it goes through its files.
struct Batch::DecryptRun {
    RunFiles files;
    KeyProvider keys;
    // The run has met a container that authenticates: one that does not is asked about.
    bool authenticated = false;
    // The container that each output came from, and the outputs written under another name than
    // their own: "abc.JPG" and "abc.JPGE" both restore to "abc.JPG".
    std::map<std::string, std::string> outputs;
    std::vector<std::pair<std::string, std::string>> renamed;

    // Where the restored bytes of `containerPath` go: `wanted`, unless another container of the
    // run went there; then the first numbered name that none did ("abc (2).JPG"). A name sealed in
    // the container, which the user cannot see, never replaces a file that this run did not
    // write, nor meets a folder: it is numbered too, and so is any name in a folder that the user
    // chose for the run (`keepsAll`).
    std::string outputFor(const std::string& containerPath, const std::string& wanted,
                          bool keepsAll, FileSystem& files) const {
        const auto free = [&](const std::string& path) {
            // The same container twice in one selection writes the same bytes twice: no harm.
            const auto taken = outputs.find(path);
            if (taken != outputs.end()) {
                return taken->second == containerPath;
            }
            if (!keepsAll) {
                return true;
            }
            return freeForOutput(files, path);
        };
        const std::string folder = folderPart(wanted);
        const std::string name = namePart(wanted);
        std::string path = wanted;
        for (int number = 2; !free(path); ++number) {
            path = folder + numberedName(name, number);
        }
        return path;
    }

    // Notes that the bytes of `containerPath` are in `outputPath` now, and whether that is
    // under another name than `ownName`, for the run's end to say.
    void written(const std::string& containerPath, const std::string& outputPath,
                 const std::string& ownName) {
        const auto [output, first] = outputs.emplace(outputPath, containerPath);
        if (first && namePart(outputPath) != ownName) {
            renamed.emplace_back(namePart(containerPath), namePart(outputPath));
        }
    }
};

// What the check of the first file found.
struct Batch::FirstFile {
    bool containerFound = false;
    bool passwordMatches = false;
    bool damaged = false; // no container of its class, which no password opens or fails to
    bool authenticates = false;
    ContainerClass rule = ContainerClass::Standard; // whose password rule applies

    // Why the check ends the run before it begins, if it does.
    std::optional<RunEnd> endsRunBefore() const {
        if (verdict.problem != PasswordProblem::None) {
            return RunEnd::PasswordRejected;
        }
        switch (keyFailure) {
        case RunKeys::Failure::GivenUp:
            return RunEnd::Stopped;
        case RunKeys::Failure::Declined:
            return RunEnd::Declined;
        case RunKeys::Failure::OutOfMemory:
            return RunEnd::NoKey;
        case RunKeys::Failure::None:
            break;
        }
        return damaged ? std::optional(RunEnd::FirstDamaged) : std::nullopt;
    }
    PasswordVerdict verdict;
    // A key was needed and did not come: why.
    RunKeys::Failure keyFailure = RunKeys::Failure::None;
};

RunResult Batch::decrypt(const DecryptRequest& request, RunReport& report) {
    return guarded([&](RunResult& result) { decryptFiles(request, report, result); });
}

void Batch::decryptFiles(const DecryptRequest& request, RunReport& report, RunResult& result) {
    DecryptRun run;
    run.files =
        gather(request.files, request.trees, request.ownFolderNames, request.into, report, result);
    const std::vector<RunFile>& files = run.files.files;
    if (files.empty()) {
        return;
    }
    result.firstFile = files.front().path;
    const FirstFile first = decryption1(result.firstFile, request.password, report);
    result.passwordVerdict = first.verdict;
    result.passwordRule = first.rule;
    if (const std::optional<RunEnd> end = first.endsRunBefore()) {
        result.end = *end;
        return;
    }
    if (!first.containerFound &&
        !report.ask({.kind = RunQuestion::Kind::FirstFileNoContainer, .path = result.firstFile})) {
        result.end = RunEnd::Declined;
        return;
    }
    if (!first.passwordMatches) {
        result.end = RunEnd::WrongPassword;
        return;
    }
    result.started = true;
    result.count = static_cast<int>(files.size());
    report.progress(
        {.stage = RunProgress::Stage::Started, .count = static_cast<int>(files.size())});
    selection_ = identified(files);
    result.outputFolder = outputRoot(files.front(), request.outputPlace());
    makeOutputFolders(files, request.outputPlace());
    run.authenticated = first.authenticates;
    run.keys = [&](const ProtectedParameters& parameters) {
        return keyFor(parameters, request.password, report);
    };
    const bool completed = forEachFile(files, report, result, [&](std::size_t index) {
        // The first file has been probed and, without a marker, asked about already.
        return decryption(request, run, index, index == 0 && !first.containerFound, report);
    });
    result.renamed = std::move(run.renamed);
    result.end = completed ? RunEnd::Completed : RunEnd::Stopped;
}

Batch::FirstFile Batch::decryption1(const std::string& path, std::string_view password,
                                    RunReport& report) {
    FirstFile first;
    const FileEnd end = containerEnd(files_, path);
    const std::optional<ContainerClass> level = classAtEnd(end.bytes, end.wholeFile);
    // The password is checked by the rule of the class it is checked against: a file without a
    // marker is read as the designed classes are.
    first.rule = level.value_or(ContainerClass::Standard);
    first.verdict = checkPassword(first.rule, password);
    if (!level || !classRow(*level).enciphered) {
        // A designed container stores its password. A Protected container whose marker was
        // changed is damaged, not a designed one.
        ContainerProbe probe;
        bool atStart = true;
        files_.readFileStart(path, {}, [&](std::span<const std::uint8_t> piece) {
            first.damaged = first.damaged || (atStart && beginsAsProtected(piece));
            atStart = false;
            return probe.append(piece);
        });
        const ProbeResult result = probe.result(password);
        first.containerFound = result.containerFound;
        first.passwordMatches = result.passwordMatches;
        first.damaged = first.damaged && first.containerFound;
        return first;
    }
    // Nothing about the password is stored in a container that enciphers: the password is the
    // one it was made with exactly when its first piece opens with the key of the password. A
    // password that breaks the rules ends the run anyway, and is not worth a key.
    first.containerFound = true;
    if (first.verdict.problem != PasswordProblem::None) {
        return first;
    }
    ContainerReading& reading = readers_.of(*level);
    reading.expect(end.bytes, end.wholeFile);
    reading.start(
        [&](const ProtectedParameters& parameters) { return keyFor(parameters, password, report); },
        {}, {}, ReadingExtent::FirstPiece);
    files_.readFileStart(path, {}, [&reading](std::span<const std::uint8_t> piece) {
        return reading.append(piece);
    });
    const ReadVerdict verdict = reading.finish();
    first.passwordMatches = verdict == ReadVerdict::FirstPieceOpened;
    first.authenticates = first.passwordMatches;
    // Only a well-formed container that does not open counts as a wrong password.
    first.damaged = verdict == ReadVerdict::Damaged;
    if (verdict == ReadVerdict::NoKey) {
        first.keyFailure = keys_.failure();
    }
    return first;
}

std::string Batch::restoredPath(const RunFile& file, const OutputPlace& place,
                                const std::string& recorded, const std::string& nameOfContainer) {
    const std::string folders = folderPart(recorded);
    if (folders.empty()) {
        makeFoldersFor(file, place);
        return outputPath(file, place, recorded.empty() ? nameOfContainer : recorded);
    }
    const std::string root = outputRoot(file, place);
    makeFoldersBelow(root, folders);
    return root + "/" + recorded;
}

FileOutcome Batch::withoutKey() const {
    switch (keys_.failure()) {
    case RunKeys::Failure::OutOfMemory:
        return FileOutcome::leftOut(LeftOutReason::NoMemoryForKey);
    case RunKeys::Failure::Declined:
        return FileOutcome::leftOut(LeftOutReason::KeyDeclined);
    default:
        return FileOutcome::stopped();
    }
}

FileOutcome Batch::decryption(const DecryptRequest& request, DecryptRun& run, std::size_t index,
                              bool askedAlready, RunReport& report) {
    const RunFile& file = run.files.files[index];
    const std::string& path = file.path;
    const std::vector<RunFile>& files = run.files.files;
    const std::string next = index + 1 < files.size() ? files[index + 1].path : "";
    const OutputPlace place = request.outputPlace();
    // A container that records its source's name restores under it, whatever it is called now,
    // in the folders where the container lies; one that records its source's folders too restores
    // in those, below the output folder.
    const std::string nameOfContainer = restoredName(namePart(path), request.stripSuffix);
    bool recordsFolders = false;
    RestoredToFile output(files_, path, selection_, [&](const std::string& recorded) {
        recordsFolders = !folderPart(recorded).empty();
        return run.outputFor(path, restoredPath(file, place, recorded, nameOfContainer),
                             !recorded.empty() || !request.into.empty(), files_);
    });
    const RestoreJob job{
        .path = path,
        .next = next,
        .files = files_,
        .readers = readers_,
        .keys = run.keys,
        .noKey = [this] { return withoutKey(); },
        .stop = [&report] { return report.stopRequested(); },
        .restoreAnyway =
            [&] { return report.ask({.kind = RunQuestion::Kind::FileNoContainer, .path = path}); },
        .restoreUnauthenticated =
            [&] {
                return !run.authenticated ||
                       report.ask({.kind = RunQuestion::Kind::Unauthenticated, .path = path});
            },
        .askedAlready = askedAlready,
        .walked = file.walked,
    };
    FileOutcome outcome;
    try {
        outcome = restoreContainer(job, output);
    } catch (const FileError& error) {
        if (const std::optional<FileOutcome> leftOut = leftOutUnreadable(error, path)) {
            return *leftOut;
        }
        // A folder that the container records, which a file of that name stands in the way of,
        // leaves this container out, not the run.
        if (recordsFolders && error.action() == FileAction::Create &&
            error.reason() == std::errc::not_a_directory) {
            return FileOutcome::leftOut(LeftOutReason::FolderTaken);
        }
        throw;
    }
    if (outcome.kind == FileOutcome::Kind::Done) {
        run.authenticated = run.authenticated || output.authenticated();
        const std::string recordedName = output.recordedName();
        run.written(path, output.path(), recordedName.empty() ? nameOfContainer : recordedName);
    }
    return outcome;
}

} // namespace tarvex
