#include "protected/ProtectedKey.h"

#include "protected/Sodium.h"

#include <sodium.h>
#include <utility>

namespace tarvex {

namespace {

constexpr std::size_t keyBytes = crypto_secretstream_xchacha20poly1305_KEYBYTES;
static_assert(keyBytes == 32);
static_assert(std::tuple_size_v<decltype(ProtectedParameters::salt)> == crypto_pwhash_SALTBYTES);
static_assert(protectedWriteCost.opslimit == crypto_pwhash_OPSLIMIT_MODERATE &&
              protectedWriteCost.memlimitKiB * 1024ULL == crypto_pwhash_MEMLIMIT_MODERATE);
// The accepted costs are all within what Argon2id takes.
static_assert(crypto_pwhash_OPSLIMIT_MIN <= 1 && crypto_pwhash_MEMLIMIT_MIN <= 8192 * 1024ULL);

} // namespace

ProtectedParameters newProtectedParameters(ProtectedCost cost) {
    initSodium();
    ProtectedParameters parameters{{}, cost};
    randombytes_buf(parameters.salt.data(), parameters.salt.size());
    return parameters;
}

ProtectedKey ProtectedKey::derive(std::string_view normalised,
                                  const ProtectedParameters& parameters) {
    initSodium();
    if (!acceptedCost(parameters.cost)) {
        return ProtectedKey(nullptr);
    }
    auto* const bytes = static_cast<std::uint8_t*>(sodium_malloc(keyBytes));
    if (bytes == nullptr) {
        return ProtectedKey(nullptr);
    }
    if (crypto_pwhash(bytes, keyBytes, normalised.data(), normalised.size(), parameters.salt.data(),
                      parameters.cost.opslimit, parameters.cost.memlimitKiB * std::size_t{1024},
                      crypto_pwhash_ALG_ARGON2ID13) != 0) {
        sodium_free(bytes);
        return ProtectedKey(nullptr);
    }
    sodium_mprotect_readonly(bytes);
    return ProtectedKey(bytes);
}

ProtectedKey::ProtectedKey(ProtectedKey&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)) {}

ProtectedKey& ProtectedKey::operator=(ProtectedKey&& other) noexcept {
    if (this != &other) {
        sodium_free(bytes_);
        bytes_ = std::exchange(other.bytes_, nullptr);
    }
    return *this;
}

ProtectedKey::~ProtectedKey() {
    // sodium_free wipes the bytes before it gives the memory back.
    sodium_free(bytes_);
}

} // namespace tarvex
