#pragma once

// What a container of a class that enciphers says of the derivation of its key: the salt and the
// two cost figures that its head holds.

#include <array>
#include <cstdint>

namespace tarvex {

// The two cost figures of a derivation: passes over the memory, and the memory in KiB.
struct ProtectedCost {
    std::uint32_t opslimit;
    std::uint32_t memlimitKiB;
    bool operator==(const ProtectedCost&) const = default;
};

// What the writer uses: libsodium's "moderate", about a second and 256 MiB.
inline constexpr ProtectedCost protectedWriteCost{3, 262144};

// Whether a reader derives at `cost`: the figures that no file may take beyond, since a
// container's cost makes the program spend time and memory before anything is known of it.
constexpr bool acceptedCost(ProtectedCost cost) {
    return cost.opslimit >= 1 && cost.opslimit <= 16 && cost.memlimitKiB >= 8192 &&
           cost.memlimitKiB <= 1048576;
}

// What a derivation needs besides the password; the container's head holds it.
struct ProtectedParameters {
    std::array<std::uint8_t, 16> salt;
    ProtectedCost cost;
    bool operator==(const ProtectedParameters&) const = default;
};

} // namespace tarvex
