#pragma once

#include <cstdint>
#include <string>

namespace tarvex {

// What a container records of its source besides its bytes.
struct SourceRecord {
    std::string name; // its last path component, as the file system gave it
    std::int64_t modifiedNs = 0;
    std::uint64_t size = 0;
    bool operator==(const SourceRecord&) const = default;
};

} // namespace tarvex
