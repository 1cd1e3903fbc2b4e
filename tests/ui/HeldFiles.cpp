#include "HeldFiles.h"

namespace tarvex::testing {

void HeldFiles::holdAt(std::string path) {
    const std::lock_guard lock(mutex_);
    heldPath_ = std::move(path);
    changed_.notify_all();
}

bool HeldFiles::holding() {
    const std::lock_guard lock(mutex_);
    return !waitingAt_.empty() && waitingAt_ == heldPath_;
}

FileVersion HeldFiles::readFile(const std::string& path, const std::string& next,
                                const VersionReceiver& opened, const PieceReceiver& take) {
    {
        std::unique_lock lock(mutex_);
        if (path == heldPath_) {
            waitingAt_ = path;
            changed_.wait(lock, [&] { return heldPath_ != path; });
            waitingAt_.clear();
        }
    }
    return ForwardingFileSystem::readFile(path, next, opened, take);
}

} // namespace tarvex::testing
