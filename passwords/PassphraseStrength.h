#pragma once

// How long an attacker needs to find a passphrase by guessing, from zxcvbn's estimate of how many
// guesses it takes (its English words, names, keyboard walks, dates and repeats; it counts bytes,
// so a passphrase in another script is estimated as letters it does not know, generously).

#include <string_view>

namespace tarvex {

// Guesses a second on one graphics card against Argon2id at the writer's cost (256 MiB): the
// published rates for lower memory costs scaled to it. Memory, not arithmetic, bounds them.
inline constexpr double guessesPerSecondPerGpu = 400;
// What an attacker rents: a cluster of a thousand cards.
inline constexpr double attackerGpus = 1000;
inline constexpr double secondsInAYear = 365.25 * 24 * 60 * 60;

// The seconds that the attacker above needs to try the guesses zxcvbn estimates for `passphrase`
// (2 to the power of its bits), which may be astronomically large, or infinite beyond a double's
// range. The passphrase is read up to its first NUL byte, which no accepted passphrase holds.
// zxcvbn copies it into working buffers of its own, which are out of reach and not wiped; the
// copy made here to hand it over is.
double secondsToFind(std::string_view passphrase);

constexpr bool foundWithinAYear(double seconds) {
    return seconds <= secondsInAYear;
}

} // namespace tarvex
