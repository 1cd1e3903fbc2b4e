#include "passwords/PassphraseStrength.h"

#include "protected/Secret.h"

#include <cmath>
#include <zxcvbn.h>

namespace tarvex {

double secondsToFind(std::string_view passphrase) {
    // zxcvbn reads a C string: the passphrase and a NUL, in memory that is wiped.
    Secret terminated = Secret::withCapacity(passphrase.size() + 1);
    for (const char byte : passphrase) {
        (void)terminated.push_back(byte);
    }
    (void)terminated.push_back('\0');
    const double bits = ZxcvbnMatch(terminated.view().data(), nullptr, nullptr);
    return std::exp2(bits) / (guessesPerSecondPerGpu * attackerGpus);
}

} // namespace tarvex
