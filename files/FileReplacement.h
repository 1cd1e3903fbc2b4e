#pragma once

#include "files/FileSystem.h"
#include "files/PosixFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace tarvex {

// A new content for the file `name` in the open folder `folder` (which it keeps open). The bytes
// go to a new file of a unique hidden name in the same folder, created with `mode` (less the
// umask); only when it is complete and closed is it renamed over `name`. A failure, or giving
// the writer up before it completes, removes it; errors name `shownPath`. A link standing at
// `name` is replaced, never followed. Every step goes through `calls`.
class ReplacementFile final : public FileWriter {
public:
    ReplacementFile(PosixCalls& calls, UniqueFd folder, std::string_view name, mode_t mode,
                    std::string shownPath);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile() override;

    void write(std::span<const std::uint8_t> bytes) override;
    void complete() override;

private:
    // Removes the temporary file, if there is one.
    void discard();
    // Removes the temporary file and throws the error of `error`.
    [[noreturn]] void fail(int error);

    PosixCalls& calls_;
    UniqueFd folder_;
    std::string name_;
    std::string shownPath_;
    std::string temporary_; // empty once renamed or removed
    UniqueFd file_;
};

} // namespace tarvex
