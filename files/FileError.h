#pragma once

#include <stdexcept>
#include <string>

namespace tarvex {

// A file step that failed. what() is the text the user sees, for example
// Cannot open file "/a/b.jpg". No such file or directory
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The errors the user sees, with the system's text for the error number `error`:
// Cannot open file "PATH". Reason
FileError cannotOpen(const std::string& path, int error);
FileError cannotCreate(const std::string& path, int error);

} // namespace tarvex
