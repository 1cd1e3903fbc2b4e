#pragma once

#include "batch/RunFiles.h"
#include "batch/RunReport.h"
#include "batch/RunResult.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace tarvex {

// How the work on one file of a run ended.
struct FileOutcome {
    // Unchanged: the output that the file would have is there already, of the file as it is.
    enum class Kind { Done, LeftOut, Stopped, Unchanged };
    Kind kind = Kind::Done;
    LeftOutReason reason = LeftOutReason::Unreadable; // for LeftOut
    std::error_code error{};                          // for LeftOut as Unreadable

    static FileOutcome done() { return {}; }
    static FileOutcome stopped() { return {.kind = Kind::Stopped}; }
    static FileOutcome unchanged() { return {.kind = Kind::Unchanged}; }
    static FileOutcome leftOut(LeftOutReason reason, std::error_code error = {}) {
        return {.kind = Kind::LeftOut, .reason = reason, .error = error};
    }
};

// How a file is left out when `error` is that `path` cannot be read (a link standing there among
// the reasons), or that its output would have a name longer than a name can be: the run goes on
// without it. Nothing for any other error (an output that cannot be made), which ends the run.
std::optional<FileOutcome> leftOutUnreadable(const FileError& error, const std::string& path);

// The loop of both runs: `step` works on each of `files` in their order, given its index. After
// each file the report hears how far the run is, a file left out is told and kept in `result`,
// and a stop asked for ends the loop, which then gives false.
bool forEachFile(const std::vector<RunFile>& files, RunReport& report, RunResult& result,
                 const std::function<FileOutcome(std::size_t index)>& step);

} // namespace tarvex
