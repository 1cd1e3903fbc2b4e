#include "ScratchFile.h"

#include "FileReplacement.h"
#include "PosixFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarvex {

namespace {

constexpr std::string_view folderName = "tarvex";
constexpr std::string_view fileName = "thummb.db";
constexpr mode_t ownerOnlyFolder = 0700;
constexpr mode_t ownerOnlyFile = 0600;
constexpr mode_t groupAndOthers = 077;

// An absolute path from the environment, or an empty text.
std::string absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

std::string accountHome() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return {};
    }
    return found->pw_dir;
}

std::string parentOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

} // namespace

std::string scratchFolderPath() {
    std::string cache = absoluteVariable("XDG_CACHE_HOME");
    if (cache.empty()) {
        std::string home = absoluteVariable("HOME");
        if (home.empty()) {
            home = accountHome();
        }
        if (home.empty()) {
            return {};
        }
        cache = home + "/.cache";
    }
    return cache + "/" + std::string(folderName);
}

void writeScratchFile(PosixCalls& calls, std::string_view text) {
    const std::string folder = scratchFolderPath();
    if (folder.empty()) {
        throw cannotCreate(std::string(fileName), ENOENT);
    }
    const std::string path = folder + "/" + std::string(fileName);

    calls.mkdir(parentOf(folder).c_str(), ownerOnlyFolder);
    calls.mkdir(folder.c_str(), ownerOnlyFolder);
    const UniqueFd folderFd(
        calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folderFd) {
        throw cannotCreate(path, errno);
    }
    struct stat status {};
    if (::fstat(folderFd.get(), &status) != 0) {
        throw cannotCreate(path, errno);
    }
    if (status.st_uid != ::geteuid()) {
        throw cannotCreate(path, EPERM);
    }
    if ((status.st_mode & groupAndOthers) != 0 && ::fchmod(folderFd.get(), ownerOnlyFolder) != 0) {
        throw cannotCreate(path, errno);
    }
    replaceFileAt(calls, folderFd.get(), fileName, asBytes(text), ownerOnlyFile, path);
}

} // namespace tarvex
