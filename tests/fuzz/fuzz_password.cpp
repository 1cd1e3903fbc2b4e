// The password rules on any typed text. A password accepted for a designed class is 5 to 10
// printable characters without blanks, and its password field always has 20 hexadecimal digits.
// A passphrase accepted for the Protected class is valid UTF-8 without control characters, and
// so is its normalisation form C, which is its own form C and is accepted too. An illegal
// character is always one of the text's.
#include "container/PasswordField.h"
#include "passwords/Nfc.h"
#include "passwords/PasswordRules.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

bool printableAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 32 && c < 127; });
}

bool hasControlByte(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 32 || code == 127;
    });
}

void checkVerdict(tarvex::ContainerClass level, std::string_view typed) {
    const tarvex::PasswordVerdict verdict = tarvex::checkPassword(level, typed);
    if (verdict.problem == tarvex::PasswordProblem::IllegalCharacter &&
        (verdict.offending.empty() || typed.find(verdict.offending) == std::string_view::npos)) {
        std::abort();
    }
    if (verdict.problem != tarvex::PasswordProblem::None) {
        return;
    }
    if (level != tarvex::ContainerClass::Protected) {
        if (typed.size() < 5 || typed.size() > 10 || !printableAscii(typed)) {
            std::abort();
        }
        return;
    }
    const std::optional<tarvex::Secret> normalised = tarvex::nfcOf(typed);
    if (!normalised || normalised->empty() || normalised->size() > 1024 || hasControlByte(typed) ||
        tarvex::nfcOf(normalised->view())->view() != normalised->view() ||
        tarvex::checkPassword(level, normalised->view()).problem != tarvex::PasswordProblem::None) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    for (const tarvex::ClassRow& row : tarvex::containerClasses) {
        checkVerdict(row.id, typed);
    }
    for (int shift = 0; shift < 9; ++shift) {
        const std::string field = tarvex::passwordField(typed.substr(0, 10), shift);
        if (field.size() != 20 || !std::all_of(field.begin(), field.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
            })) {
            std::abort();
        }
    }
    return 0;
}
