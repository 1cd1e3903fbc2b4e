#pragma once

#include "files/PosixFile.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace tarvex::testing {

// The steps of the file layer that FaultyCalls can make fail.
enum class FaultStep {
    Open,       // opening an existing file: Permission denied
    Create,     // creating an output's new file, or the scratch file: Permission denied
    Read,       // a read: Input/output error
    ShortWrite, // a write stores half its bytes, the next one fails: Input/output error
    NoSpace,    // a write stores half its bytes, the next one finds the disk full
    Rename,     // renaming the temporary file over the final name: Device or resource busy
    Status,     // looking at the status of an open file: Input/output error
    Seek,       // moving in an open file: Input/output error
    Truncate,   // cutting an open file to its length: Input/output error
    Link,       // giving an output's unnamed file its temporary name: Too many links
};

const char* nameOf(FaultStep step);
// The system's error number that a fault at `step` gives.
int errorOf(FaultStep step);

// The machine's system calls, except that one step fails once: the `occurrence`-th call of
// `step` on the file named `target` (the name without its folder, where the temporary files of
// an output of that name count as it; or a full path, which is that file alone). An unnamed file
// has no name to go by: it counts as the target's when the name last looked at in its folder is
// (createFile looks at the output's name just before it makes the file).
class FaultyCalls : public PosixCalls {
public:
    FaultyCalls(FaultStep step, std::string target, int occurrence = 1);

    // Faults injected by this object, and by every object of the process.
    int injected() {
        const std::lock_guard lock(mutex_);
        return injected_;
    }
    static int injectedInProcess();

    int open(const char* path, int flags) override;
    int openAt(int folder, const char* name, int flags, mode_t mode) override;
    ssize_t read(int fd, void* buffer, std::size_t size) override;
    ssize_t write(int fd, const void* bytes, std::size_t size) override;
    int renameAt(int folder, const char* from, const char* to) override;
    int fstat(int fd, struct stat* status) override;
    off_t lseek(int fd, off_t offset, int whence) override;
    int ftruncate(int fd, off_t length) override;
    int fstatAt(int folder, const char* name, struct stat* status, int flags) override;
    int linkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags) override;

private:
    bool names(std::string_view path) const;
    // The full path of the file `name` of the open folder `folder`.
    static std::string pathIn(int folder, const char* name);
    // Counts a call of `step` on the target; true when it is the one to fail.
    bool strikes(FaultStep step);
    int fail(int error);
    // Notes whether the new descriptor `fd` is one of the target's; gives `fd`.
    int track(int fd, bool onTarget);

    // The file layer reads on a thread of its own while the caller writes.
    std::mutex mutex_;
    FaultStep step_;
    std::string target_;
    int occurrence_;
    int calls_ = 0;
    int injected_ = 0;
    bool writeFailsNext_ = false;
    std::set<int> watched_;              // descriptors opened on the target
    std::map<int, bool> lookedAtTarget_; // by folder: whether its last name looked at is the target
};

} // namespace tarvex::testing
