#pragma once

#include "files/FileSystem.h"
#include "files/PosixFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace tarvex {

// The permissions of a new file: its mode, and the one group that may use the group's part of it.
struct Permissions {
    mode_t mode = 0;
    gid_t group = static_cast<gid_t>(-1); // any group, when the mode gives the group nothing
};

// The permissions of a file made from the source `path`, whose status is `status` (nullptr when
// it has none): the owner may read and write it, group and others as they may the source, the
// group being the source's. A source whose access control list gives permissions beyond its
// mode, or whose status or list cannot be read, gives an owner-only file: the group bits of such
// a source's mode do not say what its group may do, nor what the users and groups it names may.
Permissions permissionsFrom(PosixCalls& calls, const std::string& path, const struct stat* status);

// A new content for the file `name` in the open folder `folder` (which it keeps open). The bytes
// go to a new file of a unique hidden name in the same folder, created with `permissions` (less
// the umask): it takes their group where the user may give it that group, and otherwise leaves
// its group nothing; no access control list is inherited from the folder. Only when it is
// complete and closed is it renamed over `name`. A failure, or giving the writer up before it
// completes, removes it; errors name `shownPath`. A link standing at `name` is replaced, never
// followed. The steps that tests make fail go through `calls`.
class ReplacementFile final : public FileWriter {
public:
    ReplacementFile(PosixCalls& calls, UniqueFd folder, std::string_view name,
                    const Permissions& permissions, std::string shownPath);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile() override;

    void write(std::span<const std::uint8_t> bytes) override;
    void complete() override;

private:
    // Removes the temporary file, if there is one.
    void discard();
    // Removes the temporary file and throws the error of `error`.
    [[noreturn]] void fail(int error);
    // Keeps the new temporary file to `permissions` where its folder would give it more.
    void keepTo(const Permissions& permissions);

    PosixCalls& calls_;
    UniqueFd folder_;
    std::string name_;
    std::string shownPath_;
    std::string temporary_; // empty once renamed or removed
    UniqueFd file_;
};

} // namespace tarvex
