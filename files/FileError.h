#pragma once

#include <exception>
#include <string>
#include <system_error>
#include <type_traits>

namespace tarvex {

// What the program was doing with a file when a step failed.
enum class FileAction {
    Open,   // opening or reading a file that is there: a source, a container
    Create, // making a file: an output, the scratch file
};

// Why a file step failed, where the system has no error number that says so. Each is worded at
// the edge, in the user's language.
enum class FileProblem {
    NotRegularFile = 1,   // a pipe, a device or a socket, which is never read
    BlockerOfAnotherUser, // the blocker belongs to another user, who must remove it
    BlockerNotAFolder,    // the blocker stands where a folder must be: the user must remove it
    FolderIsALink,        // the output folder (the blocker) is a link, which may lead anywhere
    FolderOfAnotherUser,  // the output folder (the blocker) is another user's, who could read it
    FolderOpenToOthers,   // others may put files, links say, into the output folder (the blocker)
    IsALink,              // a symbolic link, which is never followed
    SystemFolder,         // the whole system's folder, or one of the kernel's (/proc, /sys, /dev)
};

const std::error_category& fileProblemCategory();
std::error_code make_error_code(FileProblem problem);

} // namespace tarvex

template <> struct std::is_error_code_enum<tarvex::FileProblem> : std::true_type {};

namespace tarvex {

// A file step that failed: what was being done, to which path, and why. It carries no sentence:
// the front end words it in the user's language, for example
// Cannot open file "/a/b.jpg". No such file or directory
class FileError : public std::exception {
public:
    FileError(FileAction action, std::string path, std::error_code reason, std::string blocker = {})
        : action_(action), path_(std::move(path)), reason_(reason), blocker_(std::move(blocker)) {}

    FileAction action() const { return action_; }
    const std::string& path() const { return path_; }
    std::error_code reason() const { return reason_; }
    // What stands in the way and must be removed, for the problems that name one; else empty.
    const std::string& blocker() const { return blocker_; }

    // The English sentence, for the front ends that do not word errors themselves yet.
    // For developers only; the user sees the front end's wording.
    const char* what() const noexcept override { return "tarvex::FileError"; }

private:
    FileAction action_;
    std::string path_;
    std::error_code reason_;
    std::string blocker_;
};

// The reason of the system's error number `error`.
inline std::error_code systemReason(int error) {
    return {error, std::generic_category()};
}

inline FileError cannotOpen(const std::string& path, std::error_code reason) {
    return {FileAction::Open, path, reason};
}
inline FileError cannotOpen(const std::string& path, int error) {
    return cannotOpen(path, systemReason(error));
}
inline FileError cannotCreate(const std::string& path, std::error_code reason) {
    return {FileAction::Create, path, reason};
}
inline FileError cannotCreate(const std::string& path, int error) {
    return cannotCreate(path, systemReason(error));
}

} // namespace tarvex
