#include "batch/FileChoice.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tarvex {
namespace {

namespace fs = std::filesystem;

// The folder that holds `path`, its links and "." and ".." parts resolved as far as it exists. The
// paths of a choice mostly share their folder text, so the last answer is kept.
class FolderOf {
public:
    const std::string& operator()(const std::string& path) {
        const fs::path parent = fs::path(path).parent_path();
        if (parent != lastParent_) {
            std::error_code unresolved;
            fs::path folder = fs::weakly_canonical(parent, unresolved);
            lastParent_ = parent;
            lastFolder_ = unresolved ? parent.lexically_normal().string() : folder.string();
        }
        return lastFolder_;
    }

private:
    fs::path lastParent_;
    std::string lastFolder_;
};

} // namespace

FileChoice chooseFiles(const std::vector<std::string>& paths) {
    FileChoice choice;
    for (const std::string& path : paths) {
        std::error_code unknown;
        const fs::file_status status = fs::status(path, unknown);
        if (fs::is_directory(status)) {
            choice.leftOut.push_back(path);
            continue;
        }
        if (choice.missing.empty() && !fs::exists(status)) {
            choice.missing = path;
        }
        choice.files.push_back(path);
    }
    FolderOf folderOf;
    if (!choice.files.empty()) {
        const std::string folder = folderOf(choice.files.front());
        const auto other =
            std::find_if(choice.files.begin() + 1, choice.files.end(),
                         [&](const std::string& file) { return folderOf(file) != folder; });
        if (other != choice.files.end()) {
            choice.otherFolder = *other;
        }
    }
    return choice;
}

} // namespace tarvex
