#pragma once

#include <cstdint>

namespace tarvex {

// The pseudo-random source of key and filler characters. It starts at state 0 and is never
// reseeded, so the n-th container a process writes always gets the same key and filler.
class KeyGenerator {
public:
    // A printable character from "!" (33) to "}" (125).
    char drawCharacter();

private:
    std::uint32_t state_ = 0;
};

} // namespace tarvex
