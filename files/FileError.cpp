#include "files/FileError.h"

namespace tarvex {

namespace {

// The problems' names, for developers: users see the front end's wording of each.
class FileProblemCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "tarvex file problem"; }
    std::string message(int problem) const override {
        switch (static_cast<FileProblem>(problem)) {
        case FileProblem::NotRegularFile:
            return "not a regular file";
        case FileProblem::BlockerOfAnotherUser:
            return "blocked by a file of another user";
        case FileProblem::BlockerNotAFolder:
            return "blocked by a file where a folder must be";
        case FileProblem::FolderIsALink:
            return "output folder is a symbolic link";
        case FileProblem::FolderOfAnotherUser:
            return "output folder of another user";
        case FileProblem::FolderOpenToOthers:
            return "output folder open to others";
        case FileProblem::IsALink:
            return "a symbolic link";
        case FileProblem::SystemFolder:
            return "a folder of the system";
        }
        return "file problem " + std::to_string(problem);
    }
};

} // namespace

const std::error_category& fileProblemCategory() {
    static const FileProblemCategory category;
    return category;
}

std::error_code make_error_code(FileProblem problem) {
    return {static_cast<int>(problem), fileProblemCategory()};
}

} // namespace tarvex
