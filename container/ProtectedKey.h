#pragma once

// The key of the Protected class: derived from the passphrase with Argon2id, at the cost stored in
// the container, over a salt drawn once per encrypt run.

#include <array>
#include <cstdint>
#include <string_view>

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

// A fresh random salt with `cost`: one per encrypt run.
ProtectedParameters newProtectedParameters(ProtectedCost cost = protectedWriteCost);

// A derived key, 32 bytes in memory of libsodium's own that is locked out of swap, read-only
// while the key lives, and wiped when it ends. Move-only; a moved-from key is not valid.
class ProtectedKey {
public:
    // Derives the key of `passphrase`, from its UTF-8 bytes in Unicode normalisation form C (for
    // a version 1 password, printable ASCII, they are the bytes as typed), with `parameters`.
    // Takes as long and as much memory as their cost says; safe to call from any thread. The key
    // is not valid when the derivation failed (out of memory), the cost is not accepted, or the
    // passphrase is not valid UTF-8 (which the passphrase rules refuse before).
    static ProtectedKey derive(std::string_view passphrase, const ProtectedParameters& parameters);

    ProtectedKey(ProtectedKey&& other) noexcept;
    ProtectedKey& operator=(ProtectedKey&& other) noexcept;
    ProtectedKey(const ProtectedKey&) = delete;
    ProtectedKey& operator=(const ProtectedKey&) = delete;
    ~ProtectedKey();

    bool valid() const { return bytes_ != nullptr; }

private:
    friend class ProtectedBuilder;
    friend class ProtectedReader;

    explicit ProtectedKey(std::uint8_t* bytes) : bytes_(bytes) {}
    // The 32 bytes, for the stream of a container only.
    const std::uint8_t* bytes() const { return bytes_; }

    std::uint8_t* bytes_;
};

} // namespace tarvex
