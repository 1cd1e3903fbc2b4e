#pragma once

#include "support/ForwardingFileSystem.h"

#include <condition_variable>
#include <mutex>
#include <string>

namespace tarvex::testing {

// The machine's file system, where a run's thread can be held as it begins to read a chosen
// file: the test acts on the window while the run waits, then lets it go on.
class HeldFiles final : public ForwardingFileSystem {
public:
    // The next read of `path` waits until `release`, or until another file is held instead.
    void holdAt(std::string path);
    // Whether a run waits at the file held now.
    bool holding();
    void release() { holdAt({}); }

    FileVersion readFile(const std::string& path, const std::string& next,
                         const VersionReceiver& opened, const PieceReceiver& take) override;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string heldPath_;  // the file to hold a run at; none when empty
    std::string waitingAt_; // the file a run waits at; none when empty
};

} // namespace tarvex::testing
