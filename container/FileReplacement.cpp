#include "FileReplacement.h"

#include "PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr int creationAttempts = 100;
// Keeps the temporary name within the limit of a name even for the longest final names.
constexpr std::size_t nameKept = 200;

std::string temporaryName(std::string_view name) {
    constexpr std::string_view characters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, characters.size() - 1);
    std::string temporary = ".";
    temporary.append(name.substr(0, nameKept));
    temporary.push_back('.');
    for (int i = 0; i < 6; ++i) {
        temporary.push_back(characters[pick(random)]);
    }
    temporary.append(".tmp");
    return temporary;
}

} // namespace

void replaceFileAt(PosixCalls& calls, int folder, std::string_view name,
                   std::span<const std::uint8_t> bytes, mode_t mode, const std::string& shownPath) {
    std::string temporary;
    UniqueFd file;
    for (int attempt = 1; !file; ++attempt) {
        temporary = temporaryName(name);
        const int fd = calls.openAt(folder, temporary.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        const int openError = errno;
        file = UniqueFd(fd);
        if (!file && (openError != EEXIST || attempt == creationAttempts)) {
            throw cannotCreate(shownPath, openError);
        }
    }

    // The rename makes the complete file appear at once, so a killed or failing run never leaves
    // a partial file under the final name. There is no flush to disk before it: the sources are
    // never changed, so even a power failure cannot lose a picture, and a flush per file would
    // cost more than the whole rest of a run.
    int error = writeAll(calls, file.get(), bytes);
    const int closeError = file.close();
    if (error == 0) {
        error = closeError;
    }
    if (error == 0 && calls.renameAt(folder, temporary.c_str(), std::string(name).c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        calls.unlinkAt(folder, temporary.c_str());
        throw cannotCreate(shownPath, error);
    }
}

} // namespace tarvex
