#include "files/FolderListing.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>

namespace tarvex {

namespace {

EntryKind kindOfType(unsigned char type) {
    switch (type) {
    case DT_REG:
        return EntryKind::RegularFile;
    case DT_DIR:
        return EntryKind::Folder;
    case DT_LNK:
        return EntryKind::Link;
    default:
        return EntryKind::Other;
    }
}

EntryKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode)) {
        return EntryKind::RegularFile;
    }
    if (S_ISDIR(mode)) {
        return EntryKind::Folder;
    }
    return S_ISLNK(mode) ? EntryKind::Link : EntryKind::Other;
}

} // namespace

std::error_code listOpenFolder(PosixCalls& calls, int folder, std::vector<FolderEntry>& entries) {
    // Large enough for a few hundred entries a call; the records are aligned as dirent64 is.
    alignas(dirent64) char buffer[32 * 1024];
    for (;;) {
        const ssize_t got = calls.getdents64(folder, buffer, sizeof buffer);
        if (got < 0) {
            return systemReason(errno);
        }
        if (got == 0) {
            return {};
        }
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            // The records are packed with their own lengths; the fields are copied out rather
            // than read in place.
            unsigned short length = 0;
            unsigned char type = DT_UNKNOWN;
            ino64_t inode = 0;
            std::memcpy(&length, buffer + at + offsetof(dirent64, d_reclen), sizeof length);
            std::memcpy(&inode, buffer + at + offsetof(dirent64, d_ino), sizeof inode);
            std::memcpy(&type, buffer + at + offsetof(dirent64, d_type), sizeof type);
            const std::string_view name(buffer + at + offsetof(dirent64, d_name));
            at += length;
            if (name == "." || name == "..") {
                continue;
            }
            FolderEntry entry{std::string(name), kindOfType(type), {0, inode}};
            if (type == DT_UNKNOWN) {
                struct stat status {};
                // The name ends with its NUL in the buffer.
                if (calls.fstatAt(folder, name.data(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
                    entry.kind = kindOfMode(status.st_mode);
                    entry.identity = {status.st_dev, status.st_ino};
                } else if (errno == ENOENT) {
                    continue;
                }
            }
            entries.push_back(std::move(entry));
        }
    }
}

} // namespace tarvex
