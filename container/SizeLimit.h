#pragma once

#include "codec/Base64Body.h"
#include "container/ContainerLayout.h"

#include <cstdint>

namespace tarvex {

// Files of this many KB (bytes / 1024, rounded down) or more are not encrypted in a class with a
// size limit.
inline constexpr std::uint64_t sizeLimitKb = 5000;
// The most a source may hold: a source that goes on beyond it while it is read is over the limit.
inline constexpr std::uint64_t largestSource = sizeLimitKb * 1024 - 1;

// Whether a source of `bytes` is over the limit of a class that has one.
constexpr bool overSizeLimit(std::uint64_t bytes) {
    return bytes / 1024 >= sizeLimitKb;
}

// The most that a decrypt run reads of a file of a class with a size limit, or of one without a
// marker: twice the largest container of such a class, which leaves room for blanks at the ends of
// its lines. A container of a class without one ends where its authenticated end says.
inline constexpr std::uint64_t largestDesignedFile =
    2 * (encodedBodyLength(largestSource) + trailerLength + fileLineEnd.size());
static_assert(largestDesignedFile == 14'012'692);

} // namespace tarvex
