#include "batch/Batch.h"

namespace tarvex {

Batch::Batch(FileSystem& files) : files_(files) {}

Batch::~Batch() = default;

RunResult Batch::guarded(const std::function<void(RunResult&)>& work) {
    // However the run ends, it keeps nothing: no key, no source open, no list of its files.
    struct Cleanup {
        Batch& batch;
        ~Cleanup() {
            batch.files_.stopReadingAhead();
            batch.keys_.clear();
            batch.selection_.clear();
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

ContainerWriting& Batch::writerOf(ContainerClass level) {
    auto& writer = writers_[static_cast<std::size_t>(level)];
    if (!writer) {
        writer = classRow(level).newWriting();
    }
    return *writer;
}

const ProtectedKey* Batch::keyFor(const ProtectedParameters& parameters, std::string_view password,
                                  RunReport& report) {
    const bool derives = !keys_.holds(parameters);
    if (derives) {
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
