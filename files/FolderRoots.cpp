#include "files/FolderRoots.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>

namespace tarvex {

namespace {

constexpr int folderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// The folders kept open besides the roots: a run's source folder and output folder, and the
// folders a walk goes through.
constexpr std::size_t keptOpen = 8;

// `path` without the separators at its end; "/" stays, and an empty path is the working folder.
std::string_view withoutEnd(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path.empty() ? std::string_view(".") : path;
}

// Whether `path` is `folder` or lies below it.
bool within(std::string_view path, std::string_view folder) {
    if (folder == "/") {
        return path.starts_with('/');
    }
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

SharedFolder shared(UniqueFd folder) {
    return std::make_shared<const UniqueFd>(std::move(folder));
}

} // namespace

std::error_code FolderRoots::add(const std::string& path) {
    const std::string_view folder = withoutEnd(path);
    const std::lock_guard lock(mutex_);
    const auto known = std::find_if(roots_.begin(), roots_.end(),
                                    [&](const Root& root) { return root.path == folder; });
    if (known != roots_.end()) {
        return known->error != 0 ? systemReason(known->error) : std::error_code();
    }
    Root& root = roots_.emplace_back();
    root.path = folder;
    UniqueFd opened(calls_.open(root.path.c_str(), folderFlags));
    if (!opened) {
        root.error = errno;
        return systemReason(root.error);
    }
    root.folder = shared(std::move(opened));
    return {};
}

void FolderRoots::clear() {
    const std::lock_guard lock(mutex_);
    roots_.clear();
    recent_.clear();
}

const FolderRoots::Root* FolderRoots::rootOf(std::string_view path) const {
    const Root* found = nullptr;
    for (const Root& root : roots_) {
        if (within(path, root.path) &&
            (found == nullptr || root.path.size() > found->path.size())) {
            found = &root;
        }
    }
    return found;
}

SharedFolder FolderRoots::open(std::string_view path, std::string* failed) {
    path = withoutEnd(path);
    const std::lock_guard lock(mutex_);
    const Root* root = rootOf(path);
    if (root == nullptr) {
        // As the system resolves it, but for a link at its end, which is never followed.
        UniqueFd opened(calls_.open(std::string(path).c_str(), folderFlags | O_NOFOLLOW));
        if (!opened) {
            if (failed != nullptr) {
                *failed = path;
            }
            return nullptr;
        }
        return shared(std::move(opened));
    }
    if (root->error != 0) {
        if (failed != nullptr) {
            *failed = root->path;
        }
        errno = root->error;
        return nullptr;
    }
    return openBelow(*root, path, failed);
}

SharedFolder FolderRoots::openBelow(const Root& root, std::string_view path, std::string* failed) {
    // From the nearest folder kept open on the way, or else from the root.
    std::string_view reached = root.path;
    SharedFolder folder = root.folder;
    for (auto kept = recent_.begin(); kept != recent_.end(); ++kept) {
        if (kept->first.size() > reached.size() && within(path, kept->first) &&
            within(kept->first, root.path)) {
            reached = kept->first;
            folder = kept->second;
        }
    }
    if (reached.size() == path.size()) {
        return folder;
    }
    std::size_t at = reached.size() + (reached == "/" ? 0 : 1);
    while (at < path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string name(path.substr(at, end - at));
        at = end + 1;
        if (name.empty()) {
            continue;
        }
        // A name that leads back up would leave the tree; none that a listing gives does.
        const bool leadsUp = name == "." || name == "..";
        UniqueFd next(
            leadsUp ? -1 : calls_.openAt(folder->get(), name.c_str(), folderFlags | O_NOFOLLOW, 0));
        if (leadsUp) {
            errno = EINVAL;
        }
        if (!next) {
            if (failed != nullptr) {
                *failed = path.substr(0, end);
            }
            return nullptr;
        }
        folder = shared(std::move(next));
    }
    keep(path, folder);
    return folder;
}

void FolderRoots::keep(std::string_view path, const SharedFolder& folder) {
    recent_.emplace_front(std::string(path), folder);
    if (recent_.size() > keptOpen) {
        recent_.pop_back();
    }
}

} // namespace tarvex
