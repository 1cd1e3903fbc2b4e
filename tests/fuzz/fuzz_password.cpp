// The password rules on any typed text: an accepted password is 5 or more printable characters
// without blanks, and its password field always has 20 hexadecimal digits.
#include "container/Password.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    const tarvex::PasswordVerdict verdict = tarvex::checkPassword(typed);
    if (verdict.problem == tarvex::PasswordProblem::None) {
        const bool printable =
            std::all_of(typed.begin(), typed.end(), [](char c) { return c > 32 && c < 127; });
        if (typed.size() < 5 || !printable) {
            std::abort();
        }
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
