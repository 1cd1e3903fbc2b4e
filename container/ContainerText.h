#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tarvex {

// The text of a container file as the reader and the probe take it. Two things that editors and
// transfers add to a text file are taken out, since no container holds them: a UTF-8 byte order
// mark in front, and blanks and tabs at the end of a line (before its CR or LF, or at the end of
// the file). Everything else is kept as it is. Works in place on `fileBytes`, which the returned
// text points into; a container with neither costs one scan and no copy.
std::string_view containerText(std::vector<std::uint8_t>& fileBytes);

} // namespace tarvex
