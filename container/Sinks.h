#pragma once

#include "container/KeyParameters.h"
#include "container/SourceRecord.h"

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

// Receives what a container records of its source and the thumbnail it carries (empty for none),
// before any byte of the source; the thumbnail is valid during the call only.
using RecordSink = std::function<void(const SourceRecord&, std::span<const std::uint8_t>)>;

// How far a reading goes: the whole container; its first piece only, the one that opens only with
// the password (a Protected record, without the thumbnail behind it); or what the container
// records of its source and its thumbnail, for a class and version that record them (a container
// that records nothing is read whole).
enum class ReadingExtent { Whole, FirstPiece, Record };

// Gives the key for the parameters of a container's head, or null when there is none (the caller
// gave up). The key is used during the call only. It may take its time: the reader waits.
using KeyProvider = std::function<const ProtectedKey*(const ProtectedParameters&)>;

} // namespace tarvex
