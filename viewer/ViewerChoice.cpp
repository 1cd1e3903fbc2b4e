#include "viewer/ViewerChoice.h"

#include "batch/FileChoice.h"
#include "batch/RunFiles.h"
#include "batch/Viewing.h"
#include "texts/Catalogue.h"

#include <algorithm>

namespace tarvex {

std::vector<std::string> containersIn(const std::string& folder) {
    // A file system of its own, whose root is the folder: no link in the tree leads out of it.
    const std::unique_ptr<FileSystem> files = ownFileSystem();
    files->openRoots({folder});
    std::vector<std::string> containers;
    for (const RunFile& file : gatherFiles(*files, {}, {folder}, outputFolderNames()).files) {
        containers.push_back(file.path);
    }
    return containers;
}

std::vector<std::string> viewedFiles(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        // A choice of one path keeps a folder apart by the rules of every choice.
        if (chooseFiles({path}).leftOut.empty()) {
            files.push_back(path);
            continue;
        }
        const std::vector<std::string> inFolder = containersIn(path);
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

bool namedTvx(const std::string& path) {
    const std::string name = namePart(path);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return name.size() > tvxType.size() &&
           std::equal(tvxType.begin(), tvxType.end(), name.end() - std::ptrdiff_t(tvxType.size()),
                      [&](char wanted, char c) { return wanted == lower(c); });
}

bool allNamedTvx(const std::vector<std::string>& files) {
    return !files.empty() && std::all_of(files.begin(), files.end(), namedTvx);
}

std::vector<std::string> containersBeside(const std::string& container) {
    const std::string folder = folderPart(container);
    std::vector<std::string> beside{container};
    try {
        const std::unique_ptr<FileSystem> files = ownFileSystem();
        const std::string listed = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
        for (const FolderEntry& entry : files->listFolder(listed)) {
            const std::string path = folder + entry.name;
            if (entry.kind == EntryKind::RegularFile && namedTvx(path) && path != container &&
                !entry.name.starts_with('.'))
                beside.push_back(path);
        }
    } catch (const FileError&) {
        // A folder that cannot be listed: the container alone.
    }
    std::sort(beside.begin(), beside.end());
    return beside;
}

} // namespace tarvex
