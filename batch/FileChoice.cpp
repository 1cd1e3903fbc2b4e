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

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether name `a` comes before `b`: letters of either case side by side, the bytes deciding
// between names that differ in case only.
bool comesBefore(const std::string& a, const std::string& b) {
    const auto [inA, inB] =
        std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
    if (inA == a.end() || inB == b.end()) {
        return inA == a.end() && (inB != b.end() || a < b);
    }
    return static_cast<unsigned char>(asciiLower(*inA)) <
           static_cast<unsigned char>(asciiLower(*inB));
}

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

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code unreadable;
    for (fs::directory_iterator entry(folder, unreadable), end; !unreadable && entry != end;
         entry.increment(unreadable)) {
        std::string name = entry->path().filename().string();
        std::error_code unknown;
        if (!name.starts_with('.') && entry->is_regular_file(unknown)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end(), comesBefore);
    std::vector<std::string> files;
    files.reserve(names.size());
    for (const std::string& name : names) {
        files.push_back((fs::path(folder) / name).string());
    }
    return files;
}

} // namespace tarvex
