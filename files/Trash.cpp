#include "files/Trash.h"

#include "files/FileError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr mode_t trashMode = 0700;

// The path `path` as a trash information file writes it: every byte but letters, digits, "/" and
// "-_.~" percent-escaped.
std::string escapedPath(std::string_view path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') ||
                           std::string_view("/-_.~").find(c) != std::string_view::npos;
        if (plain) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += hex[byte >> 4];
            escaped += hex[byte & 15];
        }
    }
    return escaped;
}

// The folder `name` of `parent`, made owner-only when it is missing, open; a link, or a folder of
// another user or open to others, is refused. Invalid with errno set when it cannot be had.
UniqueFd trashFolder(PosixCalls& calls, int parent, const char* name) {
    if (calls.mkdirAt(parent, name, trashMode) != 0 && errno != EEXIST) {
        return UniqueFd();
    }
    UniqueFd folder(calls.openAt(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0));
    struct stat status {};
    if (folder && (calls.fstat(folder.get(), &status) != 0 || status.st_uid != ::geteuid() ||
                   (status.st_mode & 077) != 0)) {
        errno = EACCES;
        return UniqueFd();
    }
    return folder;
}

// The home folder's Trash, open: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
UniqueFd homeTrash(PosixCalls& calls) {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string path;
    if (data != nullptr && data[0] == '/') {
        path = data;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        path = std::string(home) + "/.local/share";
    } else {
        errno = ENOENT;
        return UniqueFd();
    }
    // The levels above the Trash are the user's own folders: they are made as a desktop makes
    // them, and the Trash itself is checked as the user's alone.
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (calls.mkdir(level.c_str(), trashMode) != 0 && errno != EEXIST) {
            return UniqueFd();
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    const UniqueFd data_(calls.open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return data_ ? trashFolder(calls, data_.get(), "Trash") : UniqueFd();
}

// The top folder of the device that `folder` is on, open: the last folder above it on that device.
UniqueFd topOfDevice(PosixCalls& calls, int folder) {
    UniqueFd current(calls.openAt(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    struct stat status {};
    if (!current || calls.fstat(current.get(), &status) != 0) {
        return UniqueFd();
    }
    for (;;) {
        UniqueFd parent(calls.openAt(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
        struct stat above {};
        if (!parent || calls.fstat(parent.get(), &above) != 0) {
            return UniqueFd();
        }
        if (above.st_dev != status.st_dev || above.st_ino == status.st_ino) {
            return current;
        }
        current = std::move(parent);
        status = above;
    }
}

// The trash of the file's device: the home Trash when it is on it, else ".Trash-UID" at its top.
// A home Trash that cannot be had is no reason to use another: the file stays.
UniqueFd trashOfDevice(PosixCalls& calls, int folder, dev_t device) {
    UniqueFd home = homeTrash(calls);
    struct stat status {};
    if (!home || calls.fstat(home.get(), &status) != 0) {
        return UniqueFd();
    }
    if (status.st_dev == device) {
        return home;
    }
    const UniqueFd top = topOfDevice(calls, folder);
    if (!top) {
        return UniqueFd();
    }
    const std::string name = ".Trash-" + std::to_string(::geteuid());
    return trashFolder(calls, top.get(), name.c_str());
}

// Writes the whole of `text` to `fd`; false with errno set when it could not.
bool writeAll(PosixCalls& calls, int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = calls.write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The moment as a trash information file writes it: local time, to the second.
std::string deletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

} // namespace

bool moveFileToTrash(PosixCalls& calls, int folder, const std::string& folderPath,
                     const std::string& name, const FileVersion& version) {
    const std::string path = (folderPath == "/" ? "" : folderPath) + "/" + name;
    struct stat status {};
    if (calls.fstatAt(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        throw cannotCreate(path, errno);
    }
    const FileVersion now = versionOf(status);
    if (!S_ISREG(status.st_mode) || now.device != version.device || now.inode != version.inode ||
        now.size != version.size || now.modified != version.modified) {
        return false;
    }
    const UniqueFd trash = trashOfDevice(calls, folder, status.st_dev);
    const UniqueFd files = trash ? trashFolder(calls, trash.get(), "files") : UniqueFd();
    const UniqueFd info = trash ? trashFolder(calls, trash.get(), "info") : UniqueFd();
    if (!files || !info) {
        throw cannotCreate(path, errno);
    }
    // The information file is made first, with a name that no other has: it reserves the name.
    std::string trashed;
    UniqueFd record;
    for (int number = 1; !record; ++number) {
        trashed = number == 1 ? name : name + "." + std::to_string(number);
        const std::string infoName = trashed + ".trashinfo";
        record = UniqueFd(calls.openAt(info.get(), infoName.c_str(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!record && errno != EEXIST) {
            throw cannotCreate(path, errno);
        }
        if (record &&
            calls.fstatAt(files.get(), trashed.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
            calls.unlinkAt(info.get(), infoName.c_str(), 0);
            record = UniqueFd();
        }
    }
    const std::string infoName = trashed + ".trashinfo";
    const std::string text =
        "[Trash Info]\nPath=" + escapedPath(path) + "\nDeletionDate=" + deletionDate() + "\n";
    if (!writeAll(calls, record.get(), text) || calls.fsync(record.get()) != 0 ||
        calls.renameAt2(folder, name.c_str(), files.get(), trashed.c_str(), RENAME_NOREPLACE) !=
            0) {
        const int error = errno;
        calls.unlinkAt(info.get(), infoName.c_str(), 0);
        throw cannotCreate(path, error);
    }
    calls.fsync(files.get());
    calls.fsync(info.get());
    return true;
}

} // namespace tarvex
