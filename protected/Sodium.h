#pragma once

#include <span>

namespace tarvex {

// Makes libsodium ready, once for the whole program; every entry point of the Protected class
// calls it before any other libsodium function. Safe to call from any thread. Throws
// std::runtime_error when libsodium cannot start (it found no source of randomness).
void initSodium();

// Overwrites `bytes` with zeros in a way that the compiler keeps, for a copy of a password whose
// work is done.
void wipe(std::span<char> bytes);

} // namespace tarvex
