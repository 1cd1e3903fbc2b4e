#pragma once

#include "batch/RunResult.h"
#include "files/FileSystem.h"

#include <string>
#include <vector>

namespace tarvex {

// A file of a run, and the folder whose output folder its output goes into: the folder of a file
// chosen alone, or the chosen folder of a tree, under which the output keeps the file's folders.
struct RunFile {
    std::string path;
    std::string root;
    // The file that the walk of its tree found under the path; none for a file chosen alone.
    FileIdentity walked{};
};

// Whether `version`, of the file opened at the path of `file`, is of the file that the walk found
// there: a file chosen alone is whatever its path names.
inline bool isWalked(const RunFile& file, const FileVersion& version) {
    return file.walked == FileIdentity{} ||
           file.walked == FileIdentity{version.device, version.inode};
}

// The folders that the runs of `files` work in, each once: the roots of its trees and the folder
// of its files chosen alone. Every step of a run goes below them (see FileSystem::openRoots).
// The folder that the outputs go into, when one is chosen, is a root too.
std::vector<std::string> rootsOf(const std::vector<std::string>& chosen,
                                 const std::vector<std::string>& trees, std::string_view into = {});

// The files a run goes through, and what the walk of its trees left out.
struct RunFiles {
    std::vector<RunFile> files;
    std::vector<LeftOutRecord> leftOut;
};

// The files chosen alone, in their order, then every regular file under each folder of `trees`,
// sorted by path. A tree's symbolic links (never followed), hidden files and folders (a name
// that begins with "."), special files, folders that cannot be read, the system's own folders, and
// the program's own output folders (named one of `ownFolderNames`, at any depth) are left out,
// each once with its reason. The roots are to be open in `files` already (see rootsOf).
RunFiles gatherFiles(FileSystem& files, const std::vector<std::string>& chosen,
                     const std::vector<std::string>& trees,
                     const std::vector<std::string>& ownFolderNames);

// The folders of `file` below its root, each followed by "/": "" for a file directly in it.
std::string foldersBelowRoot(const RunFile& file);

// The path of `file` below its root: its name for a file directly in it, its folders below the
// root, each followed by "/", then its name for one deeper.
std::string pathBelowRoot(const RunFile& file);

// Where a run's outputs go: into the output folder `folderName` in each root, or, when `into` is
// given, straight into that folder, whatever root their sources are of.
struct OutputPlace {
    std::string_view folderName;
    std::string_view into{};
};

// Whether an output may take `path` without replacing anything: nothing stands there. A file
// where a folder of the path must be is no reason to try another name either: making the output
// there fails, and says so.
bool freeForOutput(FileSystem& files, const std::string& path);

// The folder that the outputs of the root of `file` go into.
std::string outputRoot(const RunFile& file, const OutputPlace& place);

// Where the output of `file` named `name` goes: its root's output folder, then its folders below
// its root, then `name`.
std::string outputPath(const RunFile& file, const OutputPlace& place, std::string_view name);

} // namespace tarvex
