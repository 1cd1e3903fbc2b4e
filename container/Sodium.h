#pragma once

namespace tarvex {

// Makes libsodium ready, once for the whole program; every entry point of the Protected class
// calls it before any other libsodium function. Safe to call from any thread. Throws
// std::runtime_error when libsodium cannot start (it found no source of randomness).
void initSodium();

} // namespace tarvex
