#pragma once

#include <string>
#include <vector>

namespace tarvex {

// What a choice of paths keeps: the rules that every way of choosing files applies, the open
// dialog, a drop on the window and the console's FILE arguments alike. Each front end says in its
// own words why it refuses a choice.
struct FileChoice {
    // The paths that are no folders, in their order: the files chosen.
    std::vector<std::string> files;
    // The folders among the paths, left out: a choice of everything in a folder takes in its
    // sub-folders too, the "encrypted" folder of an earlier run among them.
    std::vector<std::string> leftOut;
    // The first of `files` that names nothing, or empty. The window refuses such a choice; the
    // console leaves the file to the run, which counts it as one it could not read.
    std::string missing;
    // The first of `files` that lies in another folder than the first of them, or empty: a run
    // makes its output folder beside the first file only. A link to a file lies in the folder of
    // the link, where the file's output goes; names written differently for one folder ("sub/..",
    // a link to the folder) are that folder.
    std::string otherFolder;
};

// Applies the rules to `paths`, full paths in the file system's encoding.
FileChoice chooseFiles(const std::vector<std::string>& paths);

} // namespace tarvex
