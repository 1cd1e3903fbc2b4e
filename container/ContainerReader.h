#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// The part of a container file that the reader reads: a Ctrl-Z ends the input.
std::string_view readerText(std::string_view fileText);

// The text of a container file with its line breaks taken out: a line ends at CR LF or a lone
// LF, a lone CR is dropped, and a Ctrl-Z ends the input.
std::string joinContainerLines(std::string_view fileText);

// The source bytes that the container file `fileText` holds. The High level steps are undone
// only for a text that ends in "@@@@". Never reads outside the text: for a text shorter than a
// container (48 characters) the bounds of the moved head and the rest are clamped to it, and
// what they hold is decoded.
std::vector<std::uint8_t> readContainer(std::string_view fileText);

} // namespace tarvex
