#pragma once

#include "files/FileError.h"

#include <optional>
#include <ostream>
#include <string>
#include <utility>

namespace tarvex::testing {

// What a FileError says, as one value that tests compare: the front ends word it from these.
struct FileFailure {
    FileFailure(FileAction action, std::string path, std::error_code reason,
                std::string blocker = {})
        : action(action), path(std::move(path)), reason(reason), blocker(std::move(blocker)) {}
    bool operator==(const FileFailure&) const = default;

    FileAction action;
    std::string path;
    std::error_code reason;
    std::string blocker;
};

inline std::ostream& operator<<(std::ostream& out, const FileFailure& failure) {
    out << (failure.action == FileAction::Open ? "open " : "create ") << failure.path << ": "
        << failure.reason.category().name() << " " << failure.reason.value() << " ("
        << failure.reason.message() << ")";
    return failure.blocker.empty() ? out : out << ", blocker " << failure.blocker;
}

// The system's error number `error` as the reason of a FileFailure.
inline FileFailure cannotOpenBecause(const std::string& path, int error) {
    return {FileAction::Open, path, systemReason(error)};
}
inline FileFailure cannotCreateBecause(const std::string& path, int error) {
    return {FileAction::Create, path, systemReason(error)};
}

// The FileError that `step` throws, or nothing.
template <typename Step> std::optional<FileFailure> failureOf(Step step) {
    try {
        step();
    } catch (const FileError& error) {
        return FileFailure{error.action(), error.path(), error.reason(), error.blocker()};
    }
    return std::nullopt;
}

} // namespace tarvex::testing
