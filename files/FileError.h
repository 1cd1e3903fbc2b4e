#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tarvex {

// A file step that failed. what() is the text the user sees, for example
// Cannot open file "/a/b.jpg". No such file or directory
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The reason that a path names something other than a regular file (a pipe, a device, a socket)
// which is not read. The system has no error number that says so; this one is beyond theirs.
inline constexpr int notRegularFile = -1;

// The text of the error number `error` as the user sees it: the system's own text, for example
// "Permission denied", or "Not a regular file" for notRegularFile.
std::string fileErrorReason(int error);

// The errors the user sees, with the reason `error`: Cannot open file "PATH". Reason
FileError cannotOpen(const std::string& path, int error);
FileError cannotCreate(const std::string& path, int error);
// Cannot create file "PATH". `reason`
FileError cannotCreate(const std::string& path, std::string_view reason);

} // namespace tarvex
