#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// The containers that the folder `folder` stands for in the viewer: every file under it, as a run
// takes a folder chosen whole (see gatherFiles).
std::vector<std::string> containersIn(const std::string& folder);

// The files that the viewer shows for `paths`, in their order: a file itself (also one that is
// not there, whose tile says so), a folder the containers in it.
std::vector<std::string> viewedFiles(const std::vector<std::string>& paths);

// The file type that the desktop gives Protected containers.
inline constexpr std::string_view tvxType = ".tvx";

// Whether the file `path` is named "*.tvx", in any case.
bool namedTvx(const std::string& path);
// Whether `files` are some, and each is named "*.tvx": the program opens the viewer on such files
// given at its start.
bool allNamedTvx(const std::vector<std::string>& files);

// The files named "*.tvx" in the folder of `container`, itself among them, in the order of their
// names: what the viewer steps through when one container is opened from the desktop.
std::vector<std::string> containersBeside(const std::string& container);

} // namespace tarvex
