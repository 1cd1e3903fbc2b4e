#include "passwords/Nfc.h"

#include "protected/Sodium.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <sodium.h>
#include <uninorm.h>
#include <unistr.h>

namespace tarvex {

namespace {

// NFC makes UTF-8 at most three times as long (Unicode's normalisation annex, "stability").
constexpr std::size_t largestGrowth = 3;

} // namespace

std::optional<Secret> nfcOf(std::string_view text) {
    const auto* const bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (u8_check(bytes, text.size()) != nullptr) {
        return std::nullopt;
    }
    // u8_normalize writes into the room given when the form fits there, which it always does;
    // should it not, the form comes in memory of its own, wiped here before it is let go.
    initSodium();
    std::size_t length = largestGrowth * text.size() + 1;
    const std::unique_ptr<void, void (*)(void*)> room(sodium_malloc(length), sodium_free);
    if (room == nullptr) {
        throw std::bad_alloc();
    }
    auto* const given = static_cast<std::uint8_t*>(room.get());
    std::uint8_t* const normalised = u8_normalize(UNINORM_NFC, bytes, text.size(), given, &length);
    if (normalised == nullptr) {
        throw std::bad_alloc();
    }
    const auto letGo = [given, length](std::uint8_t* form) {
        if (form != given) {
            sodium_memzero(form, length);
            std::free(form);
        }
    };
    const std::unique_ptr<std::uint8_t, decltype(letGo)> form(normalised, letGo);
    return Secret::copyOf({reinterpret_cast<const char*>(form.get()), length});
}

} // namespace tarvex
