#include "files/FileError.h"

#include <string_view>
#include <system_error>

namespace tarvex {

namespace {

FileError fileError(std::string_view action, const std::string& path, int error) {
    return FileError(std::string(action) + " \"" + path + "\". " +
                     std::generic_category().message(error));
}

} // namespace

FileError cannotOpen(const std::string& path, int error) {
    return fileError("Cannot open file", path, error);
}

FileError cannotCreate(const std::string& path, int error) {
    return fileError("Cannot create file", path, error);
}

} // namespace tarvex
