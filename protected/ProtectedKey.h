#pragma once

// The key of the Protected class: derived from the passphrase with Argon2id, at the cost stored in
// the container, over a salt drawn once per encrypt run.

#include "container/KeyParameters.h"

#include <cstdint>
#include <string_view>

namespace tarvex {

// A fresh random salt with `cost`: one per encrypt run.
ProtectedParameters newProtectedParameters(ProtectedCost cost = protectedWriteCost);

// A derived key, 32 bytes in memory of libsodium's own that is locked out of swap, read-only
// while the key lives, and wiped when it ends. Move-only; a moved-from key is not valid.
class ProtectedKey {
public:
    // Derives the key of a passphrase from `normalised`, its UTF-8 bytes in Unicode normalisation
    // form C (see keyOfPassphrase; for a version 1 password, printable ASCII, they are the bytes
    // as typed), with `parameters`. Takes as long and as much memory as their cost says; safe to
    // call from any thread. The key is not valid when the derivation failed (out of memory) or
    // the cost is not accepted.
    static ProtectedKey derive(std::string_view normalised, const ProtectedParameters& parameters);

    // A key that is not valid, for a passphrase that has none.
    static ProtectedKey none() { return ProtectedKey(nullptr); }

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
