#include "batch/RunFiles.h"

#include "files/PathParts.h"

#include <algorithm>

namespace tarvex {

namespace {

// `path` without the separators at its end ("/" stays).
std::string withoutEndSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// Walks the tree under `root` into `gathered`.
void walkTree(FileSystem& files, const std::string& root,
              const std::vector<std::string>& ownFolderNames, RunFiles& gathered) {
    const auto leaveOut = [&](std::string path, LeftOutReason reason, std::error_code error = {}) {
        gathered.leftOut.push_back({std::move(path), reason, error});
    };
    std::vector<RunFile> found;
    std::vector<std::string> folders{root};
    while (!folders.empty()) {
        const std::string folder = std::move(folders.back());
        folders.pop_back();
        std::vector<FolderEntry> entries;
        try {
            entries = files.listFolder(folder);
        } catch (const FileError& error) {
            const bool system = error.reason() == FileProblem::SystemFolder;
            leaveOut(folder, system ? LeftOutReason::SystemFolder : LeftOutReason::FolderUnreadable,
                     system ? std::error_code() : error.reason());
            continue;
        }
        for (const FolderEntry& entry : entries) {
            std::string path = folder == "/" ? "/" + entry.name : folder + "/" + entry.name;
            const bool own = std::find(ownFolderNames.begin(), ownFolderNames.end(), entry.name) !=
                             ownFolderNames.end();
            if (entry.name.starts_with('.')) {
                leaveOut(std::move(path), LeftOutReason::Hidden);
            } else if (entry.kind == EntryKind::Link) {
                leaveOut(std::move(path), LeftOutReason::Link);
            } else if (entry.kind == EntryKind::Other) {
                leaveOut(std::move(path), LeftOutReason::NotRegular);
            } else if (entry.kind == EntryKind::Folder && own) {
                leaveOut(std::move(path), LeftOutReason::OwnFolder);
            } else if (entry.kind == EntryKind::Folder) {
                folders.push_back(std::move(path));
            } else {
                found.push_back({std::move(path), root, entry.identity});
            }
        }
    }
    std::sort(found.begin(), found.end(),
              [](const RunFile& a, const RunFile& b) { return a.path < b.path; });
    std::move(found.begin(), found.end(), std::back_inserter(gathered.files));
}

} // namespace

std::vector<std::string> rootsOf(const std::vector<std::string>& chosen,
                                 const std::vector<std::string>& trees, std::string_view into) {
    std::vector<std::string> roots;
    const auto add = [&roots](std::string root) {
        if (std::find(roots.begin(), roots.end(), root) == roots.end()) {
            roots.push_back(std::move(root));
        }
    };
    for (const std::string& path : chosen) {
        add(withoutEndSeparators(folderPart(path)));
    }
    for (const std::string& tree : trees) {
        add(withoutEndSeparators(tree));
    }
    if (!into.empty()) {
        add(withoutEndSeparators(std::string(into)));
    }
    return roots;
}

RunFiles gatherFiles(FileSystem& files, const std::vector<std::string>& chosen,
                     const std::vector<std::string>& trees,
                     const std::vector<std::string>& ownFolderNames) {
    RunFiles gathered;
    for (const std::string& path : chosen) {
        gathered.files.push_back({path, withoutEndSeparators(folderPart(path))});
    }
    for (const std::string& tree : trees) {
        walkTree(files, withoutEndSeparators(tree), ownFolderNames, gathered);
    }
    std::stable_sort(
        gathered.leftOut.begin(), gathered.leftOut.end(),
        [](const LeftOutRecord& a, const LeftOutRecord& b) { return a.path < b.path; });
    return gathered;
}

std::string foldersBelowRoot(const RunFile& file) {
    const std::size_t rootEnd = file.root == "/" ? 1 : file.root.size() + 1;
    return folderPart(std::string_view(file.path).substr(std::min(rootEnd, file.path.size())));
}

std::string pathBelowRoot(const RunFile& file) {
    return foldersBelowRoot(file) + namePart(file.path);
}

bool freeForOutput(FileSystem& files, const std::string& path) {
    const std::error_code reason = files.readableSize(path).reason;
    return reason == std::errc::no_such_file_or_directory || reason == std::errc::not_a_directory;
}

std::string outputRoot(const RunFile& file, const OutputPlace& place) {
    if (!place.into.empty()) {
        return withoutEndSeparators(std::string(place.into));
    }
    return (file.root == "/" ? "" : file.root) + "/" + std::string(place.folderName);
}

std::string outputPath(const RunFile& file, const OutputPlace& place, std::string_view name) {
    const std::string root = outputRoot(file, place);
    return (root == "/" ? "" : root) + "/" + foldersBelowRoot(file) + std::string(name);
}

} // namespace tarvex
