#include "passwords/PassphraseKey.h"

#include "passwords/Nfc.h"

#include <new>
#include <optional>

namespace tarvex {

ProtectedKey keyOfPassphrase(std::string_view typed, const ProtectedParameters& parameters) {
    std::optional<Secret> normalised;
    try {
        normalised = nfcOf(typed);
    } catch (const std::bad_alloc&) {
    }
    return normalised ? ProtectedKey::derive(normalised->view(), parameters) : ProtectedKey::none();
}

} // namespace tarvex
