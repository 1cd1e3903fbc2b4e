#pragma once

#include "container/KeyParameters.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace tarvex {

class ProtectedKey;

// Receives text as it is made, a piece at a time; a piece is valid during its call only.
using TextSink = std::function<void(std::string_view)>;

// Receives bytes as they are restored, a part at a time; a part is valid during its call only.
using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

// Gives the key for the parameters of a container's head, or null when there is none (the caller
// gave up). The key is used during the call only. It may take its time: the reader waits.
using KeyProvider = std::function<const ProtectedKey*(const ProtectedParameters&)>;

} // namespace tarvex
