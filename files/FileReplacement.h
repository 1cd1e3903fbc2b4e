#pragma once

#include "files/FileSystem.h"
#include "files/FolderRoots.h"
#include "files/PosixFile.h"

#include <cstdint>
#include <optional>
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

// The permissions of a file made from the source `name` of the open folder `folder`, whose status
// is `status`: the owner may read and write it, group and others as they may the source, the
// group being the source's. A source whose access control list gives permissions beyond its
// mode, or whose list cannot be read, gives an owner-only file: the group bits of such a source's
// mode do not say what its group may do, nor what the users and groups it names may.
Permissions permissionsFrom(PosixCalls& calls, int folder, const std::string& name,
                            const struct stat& status);

// A new content for the file `name` in the open folder `folder` (which it holds open). The bytes
// go to a new file in the same folder that has no name while it is written, where the folder's
// file system allows it, so that a writer killed half-way leaves nothing at all. It is created
// with `permissions` (less the umask): it takes their group where the user may give it that
// group, and otherwise leaves its group nothing; no access control list is inherited from the
// folder. Only when it is complete is it given a unique hidden name and renamed over `name`.
// Where the file system cannot make a file without a name, the bytes go to a file of a unique
// hidden name, owner-only and locked while it is written, that gets `permissions` only just
// before the rename; a writer killed half-way leaves that file, and removeLeftTemporaries takes it
// away later. The file's time of last change is `modified` when it is given. A failure, or giving
// the writer up before it completes, removes the new file; errors name `shownPath`. A link standing
// at `name` is replaced, never followed. Every step goes through `calls`.
class ReplacementFile final : public FileWriter {
public:
    ReplacementFile(PosixCalls& calls, SharedFolder folder, std::string_view name,
                    const Permissions& permissions, std::string shownPath,
                    std::optional<std::int64_t> modified);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile() override;

    void write(std::span<const std::uint8_t> bytes) override;
    void complete() override;

private:
    // Makes the named temporary file, owner-only and locked.
    void createNamed();
    // Locks the new named file; false when another run took it meanwhile.
    bool lockNamed();
    // Keeps the new unnamed file to `permissions_` where its folder would give it more.
    void keepToPermissions();
    // Gives the complete named file `permissions_`.
    void openToPermissions();
    // Whether the file of `status` has the source's group, given to it where the user may.
    bool takesGroup(const struct stat& status);
    // Gives the complete unnamed file its final name, closed, when no file has that name; false
    // when one has.
    bool linkedAtName();
    // Gives the complete unnamed file its temporary name.
    void nameUnnamed();
    // The unnamed file as the process's own view of its descriptors names it: linking the
    // descriptor itself takes a privilege that users do not have.
    std::string unnamedPath() const;
    // Removes the new file, named or not.
    void discard();
    // Removes the new file and throws the error of `error`.
    [[noreturn]] void fail(int error);

    PosixCalls& calls_;
    SharedFolder folder_;
    std::string name_;
    std::string shownPath_;
    Permissions permissions_;
    std::optional<std::int64_t> modified_;
    bool unnamed_ = false;  // written without a name until it is complete
    std::string temporary_; // the new file's name, while it has one of its own
    UniqueFd file_;
};

// Removes from the open folder `folder` the temporary files that writers of ReplacementFile
// killed before they completed left behind: regular files of this user with a name such as it
// gives, that no living writer holds locked. Nothing else is touched, and nothing is reported.
void removeLeftTemporaries(PosixCalls& calls, int folder);

} // namespace tarvex
