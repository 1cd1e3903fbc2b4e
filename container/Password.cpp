#include "Password.h"

#include <algorithm>
#include <cstdint>

namespace tarvex {

namespace {

constexpr std::size_t paddedLength = 10;
constexpr std::size_t fieldLength = 2 * paddedLength;
constexpr std::size_t minimumLength = 5;
constexpr unsigned char firstLegal = 33;
constexpr unsigned char lastLegal = 126;
constexpr std::size_t keyFromEnd = 8;
constexpr int shiftModulus = 9;

unsigned char code(char c) {
    return static_cast<unsigned char>(c);
}

// A character that is not a hexadecimal digit counts as the digit 0.
int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return 0;
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

bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// Up to `count` characters of [first, last) that are not CR or LF, in the order walked.
template <typename Iterator>
std::string charactersKept(Iterator first, Iterator last, std::size_t count) {
    std::string kept;
    for (; first != last && kept.size() < count; ++first) {
        if (!isLineBreak(*first)) {
            kept.push_back(*first);
        }
    }
    return kept;
}

// `text` without the characters of code 32 or less at either end.
std::string_view trimLowCodes(std::string_view text) {
    const auto isLow = [](char c) { return code(c) <= ' '; };
    while (!text.empty() && isLow(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isLow(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::string strto10(std::string_view text) {
    std::string padded(text);
    if (padded.size() < paddedLength) {
        padded.resize(paddedLength, ' ');
    }
    return padded;
}

int HexPairToByte(std::string_view pair) {
    if (pair.size() != 2) {
        return 0;
    }
    return 16 * hexDigitValue(pair[0]) + hexDigitValue(pair[1]);
}

std::string passwordField(std::string_view password, int shift) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    const std::string padded = strto10(password);
    std::string field;
    field.reserve(fieldLength);
    for (std::size_t i = 0; i < paddedLength; ++i) {
        const auto value = static_cast<std::uint8_t>(code(padded[i]) - shift);
        field.push_back(digits[value >> 4]);
        field.push_back(digits[value & 15]);
    }
    return field;
}

PasswordVerdict checkPassword(std::string_view typed) {
    if (typed.size() < minimumLength) {
        return {PasswordProblem::TooShort, {}};
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

ProbeResult probeContainer(std::string_view fileBytes, std::string_view typed) {
    // The probe reads the file up to its first NUL, without CR and LF. Of that text it needs only
    // the password field at the front and the key and the marker at the end.
    fileBytes = fileBytes.substr(0, fileBytes.find('\0'));
    const std::string front = charactersKept(fileBytes.begin(), fileBytes.end(), fieldLength);
    const std::string_view field = front;
    if (field.empty()) {
        return {};
    }
    std::string end = charactersKept(fileBytes.rbegin(), fileBytes.rend(), keyFromEnd);
    std::reverse(end.begin(), end.end());
    ProbeResult result;
    result.containerFound = end.ends_with("@@@@") || end.ends_with("****");

    // A text shorter than the key's distance from the end takes its first character as the key.
    const char key = end.size() < keyFromEnd ? field.front() : end.front();
    const int shift = code(key) % shiftModulus;
    std::string stored;
    for (std::size_t i = 0; i < fieldLength; i += 2) {
        const std::string_view pair = i < field.size() ? field.substr(i, 2) : std::string_view{};
        stored.push_back(static_cast<char>((HexPairToByte(pair) + shift) % 256));
    }
    result.passwordMatches = trimLowCodes(stored) == typed;
    return result;
}

} // namespace tarvex
