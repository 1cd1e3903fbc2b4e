#pragma once

#include "KeyGenerator.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

enum class ContainerClass { Standard = 0, HighLevel = 1 };

inline constexpr std::string_view standardMarker = "****";
inline constexpr std::string_view highLevelMarker = "@@@@";

// Receives the body text that a High level container writes to the scratch file.
using ScratchWriter = std::function<void(std::string_view)>;

// The complete content of the container file for `source`: password field, body rearranged,
// key character, three filler characters and level marker, then CR LF. Draws four characters
// from `generator`: key, then filler. A High level container hands its body, as encoded and
// followed by CR LF, to `scratch` before it takes the line breaks out. A body shorter than the
// 20 characters the layout moves (a source of 12 bytes or less) is filled up with "." first,
// which decoding passes over, so every container reads back to its source.
std::string buildContainer(std::span<const std::uint8_t> source, ContainerClass level,
                           std::string_view password, KeyGenerator& generator,
                           const ScratchWriter& scratch);

// The text of a container file with its line breaks taken out: a line ends at CR LF or a lone
// LF, a lone CR is dropped, and a Ctrl-Z ends the input.
std::string joinContainerLines(std::string_view fileText);

// The source bytes that the container file `fileText` holds. The High level steps are undone
// only for a text that ends in "@@@@". Never reads outside the text: for a text shorter than a
// container (48 characters) the bounds of the moved head and the rest are clamped to it, and
// what they hold is decoded.
std::vector<std::uint8_t> readContainer(std::string_view fileText);

// The path of the container of `sourcePath`: its folder, `folderName`, a separator, its name
// and `suffix`.
std::string containerPath(std::string_view sourcePath, std::string_view folderName,
                          std::string_view suffix);

} // namespace tarvex
