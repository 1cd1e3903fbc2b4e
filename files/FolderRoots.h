#pragma once

#include "files/PosixFile.h"

#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace tarvex {

// An open folder that several callers may hold at once: it closes when the last one lets go.
using SharedFolder = std::shared_ptr<const UniqueFd>;

// The folders that a run works in, each opened once, and the folders below them, each opened from
// its parent one name at a time and never through a link. So whatever is renamed, swapped or
// linked in a tree while a run goes on, a path below a root names a folder of that root's tree or
// none at all; and as no path is ever handed to the system whole, a tree may be deeper than the
// longest path the system takes. A root itself is opened as the system resolves its path: the user
// named it. A path that no root holds is opened that way too (the viewer's containers, a copy
// saved where the user chose), but for a link at its end, which is never followed. The folders
// opened last are kept open for the calls that follow, which mostly ask for the same one or two.
// Safe to use from several threads at once.
class FolderRoots {
public:
    explicit FolderRoots(PosixCalls& calls) : calls_(calls) {}

    // Opens `path` as a root, unless it is one already; a root that cannot be opened refuses
    // every path below it with the reason, which it gives.
    std::error_code add(const std::string& path);
    // Lets every root go, with the folders opened below them.
    void clear();

    // The folder `path`, open for the calls that take a folder (O_PATH), or null with errno set.
    // When a folder of the path cannot be opened, `failed` (when given) is set to its path: a link
    // or a file standing where a folder must be, say.
    SharedFolder open(std::string_view path, std::string* failed = nullptr);

private:
    struct Root {
        std::string path;
        SharedFolder folder;
        int error = 0;
    };

    // The root that holds `path`, the one of the longest path when several do; null for none.
    const Root* rootOf(std::string_view path) const;
    // The folder below `root` at `path`, opened from the nearest folder kept open.
    SharedFolder openBelow(const Root& root, std::string_view path, std::string* failed);
    void keep(std::string_view path, const SharedFolder& folder);

    PosixCalls& calls_;
    std::mutex mutex_;
    std::vector<Root> roots_;
    std::list<std::pair<std::string, SharedFolder>> recent_; // the most recently opened first
};

} // namespace tarvex
