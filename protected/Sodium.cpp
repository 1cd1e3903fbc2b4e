#include "protected/Sodium.h"

#include <sodium.h>
#include <stdexcept>

namespace tarvex {

void initSodium() {
    // The first caller starts libsodium; a static's initialisation runs exactly once however many
    // threads come at the same time.
    static const bool started = sodium_init() >= 0;
    if (!started) {
        throw std::runtime_error("libsodium cannot start: no source of randomness");
    }
}

void wipe(std::span<char> bytes) {
    sodium_memzero(bytes.data(), bytes.size());
}

} // namespace tarvex
