#include "container/PasswordField.h"

#include "container/ContainerLayout.h"

#include <cstdint>

namespace tarvex {

namespace {

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

} // namespace

std::string strto10(std::string_view text) {
    std::string padded(text);
    if (padded.size() < paddedPasswordLength) {
        padded.resize(paddedPasswordLength, ' ');
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
    for (std::size_t i = 0; i < paddedPasswordLength; ++i) {
        const auto value = static_cast<std::uint8_t>(static_cast<unsigned char>(padded[i]) - shift);
        field.push_back(digits[value >> 4]);
        field.push_back(digits[value & 15]);
    }
    return field;
}

} // namespace tarvex
