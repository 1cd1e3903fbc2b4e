#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// A body line: 76 characters, which stand for 57 source bytes, and the CR LF that ends it.
inline constexpr std::size_t bodyLineCharacters = 76;
inline constexpr std::size_t bodyLineBytes = bodyLineCharacters / 4 * 3;
inline constexpr std::string_view bodyLineBreak = "\r\n";
inline constexpr std::size_t bodyLineWithBreak = bodyLineCharacters + bodyLineBreak.size();

// Appends the Base64 text of `source` (RFC 4648 alphabet, "=" padding) to `destination`, cut into
// lines of 76 characters that end in CR LF. The last line ends in CR LF only when it is full.
void encodeBody(std::span<const std::uint8_t> source, std::string& destination);

// The number of characters, line breaks included, that `encodeBody` makes of `sourceBytes` bytes.
constexpr std::size_t encodedBodyLength(std::size_t sourceBytes) {
    const std::size_t characters = (sourceBytes + 2) / 3 * 4;
    return characters + characters / bodyLineCharacters * bodyLineBreak.size();
}

// Whether decoding takes `c`: the 64 characters of the alphabet and "=".
bool acceptedByDecoding(char c);

// Appends the bytes that the Base64 text `source` stands for to `destination`. Every byte that is
// not an alphabet character or "=" is passed over. A "=" in third place shortens its own group
// to one byte, in fourth place to two; an incomplete last group is dropped.
void decodeBody(std::string_view source, std::vector<std::uint8_t>& destination);

} // namespace tarvex
