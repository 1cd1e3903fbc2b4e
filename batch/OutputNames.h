#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// Sixteen letters and digits drawn at random: a container's name that says nothing of its source.
std::string hiddenName();

// The name a restored file is written under, from the container's file name (no folder part).
// With `stripSuffix` a trailing "E" or "e" is dropped, unless that would leave no name, "." or
// "..". Without it, a trailing "E" or "e" is dropped when more than three characters follow the
// first dot, and a trailing upper-case "E" when the name has no dot and more than three
// characters; then an "E" after JPG, GIF, BMP, PNG, SVG or PSD (any case) is dropped, each test in
// that order on the name as it stands. Only an ASCII "E" is ever dropped, so a name never loses
// half of a multi-byte character.
std::string restoredName(std::string_view containerName, bool stripSuffix);

// `name` with " (`number`)" before its extension, as desktops tell apart files of one name:
// "abc (2).JPG"; a name without an extension ("notes", ".hidden") takes it at its end.
std::string numberedName(std::string_view name, int number);

} // namespace tarvex
