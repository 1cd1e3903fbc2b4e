#include "batch/FileLoop.h"

namespace tarvex {

std::optional<FileOutcome> leftOutUnreadable(const FileError& error, const std::string& path) {
    if (error.action() == FileAction::Create && error.reason() == std::errc::filename_too_long) {
        return FileOutcome::leftOut(LeftOutReason::NameTooLong);
    }
    if (error.action() != FileAction::Open || error.path() != path) {
        return std::nullopt;
    }
    if (error.reason() == FileProblem::IsALink) {
        return FileOutcome::leftOut(LeftOutReason::Link);
    }
    return FileOutcome::leftOut(error.reason() == FileProblem::NotRegularFile
                                    ? LeftOutReason::NotRegular
                                    : LeftOutReason::Unreadable,
                                error.reason());
}

bool forEachFile(const std::vector<RunFile>& files, RunReport& report, RunResult& result,
                 const std::function<FileOutcome(std::size_t index)>& step) {
    const int count = static_cast<int>(files.size());
    for (std::size_t index = 0; index < files.size(); ++index) {
        const FileOutcome outcome = step(index);
        if (outcome.kind == FileOutcome::Kind::Stopped) {
            return false;
        }
        const std::string& path = files[index].path;
        if (outcome.kind == FileOutcome::Kind::Done) {
            ++result.done;
        } else if (outcome.kind == FileOutcome::Kind::Unchanged) {
            ++result.unchanged;
        } else {
            report.leftOut({.path = path, .reason = outcome.reason, .error = outcome.error});
            result.leftOut.push_back({path, outcome.reason, outcome.error});
        }
        result.handled = static_cast<int>(index) + 1;
        const std::string folder = foldersBelowRoot(files[index]);
        report.progress({.stage = RunProgress::Stage::File,
                         .done = result.handled,
                         .count = count,
                         .path = path,
                         .folder = folder});
        if (report.stopRequested()) {
            return false;
        }
    }
    return true;
}

} // namespace tarvex
