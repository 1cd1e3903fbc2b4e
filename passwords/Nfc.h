#pragma once

#include "protected/Secret.h"

#include <optional>
#include <string_view>

namespace tarvex {

// The UTF-8 bytes of `text` in Unicode normalisation form C, so that the same words typed through
// different input methods (a precomposed letter, or a letter and its accent) give the same bytes.
// Nothing when `text` is not valid UTF-8, which cannot be normalised. The result is held, and
// made, in a Secret; libunistring's working buffers on the way are out of reach and not wiped.
// Throws std::bad_alloc when memory runs out.
std::optional<Secret> nfcOf(std::string_view text);

} // namespace tarvex
