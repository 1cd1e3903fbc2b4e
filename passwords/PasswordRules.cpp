#include "passwords/PasswordRules.h"

#include "passwords/Nfc.h"
#include "passwords/Utf8.h"

#include <cstdint>
#include <optional>

namespace tarvex {

namespace {

constexpr unsigned char firstLegal = 33;
constexpr unsigned char lastLegal = 126;

unsigned char code(char c) {
    return static_cast<unsigned char>(c);
}

// The bytes of the UTF-8 character that begins at `text[0]`, a byte of 0x80 or above. A byte that
// cannot begin a sequence, or a sequence cut short, gives what is there.
std::string_view utf8Character(std::string_view text) {
    const unsigned char lead = code(text[0]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF7) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = lead <= 0xEF ? 3 : 1;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    std::size_t taken = 1;
    while (taken < length && taken < text.size() && (code(text[taken]) & 0xC0) == 0x80) {
        ++taken;
    }
    return text.substr(0, taken);
}

// The characters of `text`: a byte below 0x80 is one, and so is each sequence that
// utf8Character finds.
std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        i += code(text[i]) >= 0x80 ? utf8Character(text.substr(i)).size() : 1;
    }
    return count;
}

PasswordVerdict checkDesigned(const PasswordLimits& limits, std::string_view typed) {
    if (characterCount(typed) > limits.most) {
        return {PasswordProblem::TooLong, {}};
    }
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const unsigned char c = code(typed[i]);
        if (c == ' ') {
            return {PasswordProblem::Blank, {}};
        }
        if (c < firstLegal || c > lastLegal) {
            const std::string_view offending =
                c >= 0x80 ? utf8Character(typed.substr(i)) : typed.substr(i, 1);
            return {PasswordProblem::IllegalCharacter, std::string(offending)};
        }
    }
    return {};
}

PasswordVerdict checkPassphrase(const PasswordLimits& limits, std::string_view typed) {
    const std::optional<Secret> normalised = nfcOf(typed);
    if (normalised && normalised->size() > limits.most) {
        return {PasswordProblem::TooLong, {}};
    }
    for (std::size_t i = 0; i < typed.size();) {
        const Utf8Character character = firstCharacter(typed.substr(i));
        if (!character.printable) {
            return {PasswordProblem::IllegalCharacter,
                    std::string(typed.substr(i, character.length))};
        }
        i += character.length;
    }
    return {};
}

} // namespace

PasswordVerdict checkPassword(ContainerClass level, std::string_view typed) {
    const PasswordLimits& limits = classRow(level).passwordLimits;
    if (typed.size() < limits.least) {
        return {PasswordProblem::TooShort, {}};
    }
    return limits.countsBytes ? checkPassphrase(limits, typed) : checkDesigned(limits, typed);
}

} // namespace tarvex
