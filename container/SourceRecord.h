#pragma once

#include <cstdint>
#include <string>

namespace tarvex {

// What a container records of its source besides its bytes.
struct SourceRecord {
    // Its path below the folder its run chose (for a file chosen alone, its name), components
    // apart by '/', the bytes the file system gave; a container of the second Protected version
    // recorded the name alone.
    std::string path;
    std::int64_t modifiedNs = 0;
    std::uint64_t size = 0;
    bool operator==(const SourceRecord&) const = default;
};

} // namespace tarvex
