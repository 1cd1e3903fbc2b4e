#include "files/FileError.h"

#include <string_view>
#include <system_error>

namespace tarvex {

namespace {

FileError fileError(std::string_view action, const std::string& path, std::string_view reason) {
    return FileError(std::string(action) + " \"" + path + "\". " + std::string(reason));
}

} // namespace

std::string fileErrorReason(int error) {
    return error == notRegularFile ? "Not a regular file" : std::generic_category().message(error);
}

FileError cannotOpen(const std::string& path, int error) {
    return fileError("Cannot open file", path, fileErrorReason(error));
}

FileError cannotCreate(const std::string& path, int error) {
    return fileError("Cannot create file", path, fileErrorReason(error));
}

FileError cannotCreate(const std::string& path, std::string_view reason) {
    return fileError("Cannot create file", path, reason);
}

} // namespace tarvex
