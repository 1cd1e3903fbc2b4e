#include "batch/Batch.h"

#include "batch/ClassTools.h"

namespace tarvex {

Batch::Batch() : Batch(localFileSystem()) {}

Batch::Batch(FileSystem& files) : files_(files) {}

Batch::~Batch() = default;

RunResult Batch::guarded(const std::function<void(RunResult&)>& work) {
    // However the run ends, it keeps nothing: no key, no source open, no list of its files.
    struct Cleanup {
        Batch& batch;
        ~Cleanup() {
            batch.files_.stopReadingAhead();
            batch.files_.closeRoots();
            batch.keys_.clear();
            batch.selection_.clear();
            batch.keyPolicy_.clear();
            batch.madeFolders_.clear();
        }
    } cleanup{*this};
    RunResult result;
    try {
        work(result);
    } catch (const FileError& error) {
        result.end = RunEnd::FileFailed;
        result.fileError = error;
    }
    return result;
}

RunFiles Batch::gather(const std::vector<std::string>& files, const std::vector<std::string>& trees,
                       const std::vector<std::string>& ownFolderNames, std::string_view into,
                       RunReport& report, RunResult& result) {
    files_.openRoots(rootsOf(files, trees, into));
    RunFiles gathered = gatherFiles(files_, files, trees, ownFolderNames);
    for (const LeftOutRecord& notTaken : gathered.leftOut) {
        report.leftOut({.path = notTaken.path, .reason = notTaken.reason, .error = notTaken.error});
    }
    result.notTaken = std::move(gathered.leftOut);
    return gathered;
}

FileIdentities Batch::identified(const std::vector<RunFile>& files) {
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const RunFile& file : files) {
        paths.push_back(file.path);
    }
    return files_.identify(paths);
}

void Batch::makeOutputFolders(const std::vector<RunFile>& files, const OutputPlace& place) {
    const std::string* lastRoot = nullptr;
    for (const RunFile& file : files) {
        if (lastRoot != nullptr && *lastRoot == file.root) {
            continue;
        }
        lastRoot = &file.root;
        const std::string folder = outputRoot(file, place);
        if (madeFolders_.insert(folder).second) {
            files_.createFolder(folder, files_.ownerOnly(file.root));
        }
    }
}

void Batch::makeFoldersFor(const RunFile& file, const OutputPlace& place) {
    const std::string below = foldersBelowRoot(file);
    for (std::size_t end = below.find('/'); end != std::string::npos;
         end = below.find('/', end + 1)) {
        const std::string folder = outputRoot(file, place) + "/" + below.substr(0, end);
        if (madeFolders_.insert(folder).second) {
            const std::string source = file.root + "/" + below.substr(0, end);
            files_.createFolder(folder, files_.ownerOnly(source));
        }
    }
}

void Batch::makeFoldersBelow(const std::string& root, std::string_view folders) {
    std::optional<bool> ownerOnly;
    for (std::size_t end = folders.find('/'); end != std::string_view::npos;
         end = folders.find('/', end + 1)) {
        const std::string folder = root + "/" + std::string(folders.substr(0, end));
        if (madeFolders_.insert(folder).second) {
            if (!ownerOnly) {
                ownerOnly = files_.ownerOnly(root);
            }
            files_.createFolder(folder, *ownerOnly);
        }
    }
}

ContainerWriting& Batch::writerOf(ContainerClass level) {
    auto& writer = writers_[static_cast<std::size_t>(level)];
    if (!writer) {
        writer = newWriting(level);
    }
    return *writer;
}

namespace {

// A key at the program's own cost takes about this long to derive on a common computer.
constexpr double secondsOfWriteCost = 1.0;

} // namespace

bool Batch::worthDeriving(const ProtectedParameters& parameters, RunReport& report) {
    return keyPolicy_.mayDerive(parameters,
                                {.costlyKey =
                                     [&report](double times) {
                                         return report.ask({.kind = RunQuestion::Kind::CostlyKey,
                                                            .seconds = times * secondsOfWriteCost});
                                     },
                                 .manyKeys =
                                     [&report](std::size_t count) {
                                         return report.ask({.kind = RunQuestion::Kind::ManyKeys,
                                                            .count = static_cast<int>(count)});
                                     }});
}

const ProtectedKey* Batch::keyFor(const ProtectedParameters& parameters, std::string_view password,
                                  RunReport& report) {
    const bool derives = !keys_.holds(parameters);
    if (derives && !worthDeriving(parameters, report)) {
        keys_.decline();
        return nullptr;
    }
    if (derives) {
        keyPolicy_.deriving(parameters);
        report.progress({.stage = RunProgress::Stage::DerivingKey});
    }
    const ProtectedKey* key =
        keys_.keyFor(password, parameters, [&report] { return !report.stopRequested(); });
    if (derives) {
        report.progress({.stage = RunProgress::Stage::KeyDerived});
    }
    if (key == nullptr && keys_.failure() == RunKeys::Failure::OutOfMemory) {
        report.notice(RunNotice::NoMemoryForKey);
    }
    return key;
}

bool Batch::writeScratch(std::string_view text, RunReport& report) {
    // Another copy of the program may be writing the scratch file: the user is told, and a stop
    // ends the wait.
    bool told = false;
    const std::unique_ptr<FileWriter> scratch = files_.openScratch([&] {
        if (!told) {
            report.notice(RunNotice::WaitingForScratch);
            told = true;
        }
        return !report.stopRequested();
    });
    if (told) {
        report.notice(RunNotice::WaitOver);
    }
    if (!scratch) {
        return false;
    }
    scratch->write(asBytes(text));
    scratch->complete();
    return true;
}

} // namespace tarvex
