#pragma once

#include "codec/Base64Kernels.h"
#include "container/ContainerReader.h"
#include "container/ContainerText.h"
#include "container/ProtectedKey.h"
#include "container/ProtectedLayout.h"
#include "container/Sinks.h"
#include "container/UnwrittenGrowth.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tarvex {

struct StreamState;

// What became of a Protected container.
enum class ProtectedVerdict {
    Restored,         // every piece opened: what went to the sink is the source
    FirstPieceOpened, // the first piece opened, and only that was asked for
    NotOpened,        // a piece did not open: a wrong password or damage, which look the same
    Damaged,          // the container is not one: its text, head, cost or pieces are wrong
    NoKey,            // the key provider gave none
};

// Reads Protected containers one after another, a piece of the file at a time, in memory that
// does not grow with the file: an enciphered piece and the text in hand. The text is cleaned as
// for the other classes (see ContainerText; a Ctrl-Z ends it), and then, line breaks aside, must
// be the strict Base64 of the payload followed by the marker. The key is asked for once the head
// and the stream header are read and the head's cost is accepted. Each piece goes to the sink as
// soon as it has opened, and only then; a container that ends in any other verdict than Restored
// has given part of its source at most.
class ProtectedReader {
public:
    // Decodes with the kernels of `path`, which must be supported.
    explicit ProtectedReader(CodecPath path = fastestCodecPath());
    ~ProtectedReader();

    // Begins the next file: its key comes from `keys`, its restored bytes go to `restored` (if
    // any). With `firstPieceOnly`, the reading ends once the first piece has opened.
    void start(KeyProvider keys, ByteSink restored, bool firstPieceOnly = false);
    // Reads the next piece of the file. False once the rest of the file is not needed: the
    // verdict is known, or the text has ended.
    bool append(std::span<const std::uint8_t> filePiece);
    // Ends the reading and gives the verdict.
    ProtectedVerdict finish();

private:
    // Takes the next part of the text; the last characters are held back for the marker.
    void takeText(std::string_view text);
    // Decodes characters of the payload's text and opens what it can.
    void decode(std::string_view text);
    // Reads the head, asks for the key and begins the stream, once the payload has its front.
    void open();
    // Opens the enciphered piece `cipher` and hands its source on; `last` when the payload ends
    // with it.
    void pull(std::span<const std::uint8_t> cipher, bool last);
    // Ends a text whose end has come.
    void end();

    StrictDecoder decoder_;
    std::unique_ptr<StreamState> stream_;
    ContainerText text_{endOfInput};
    TextWindow window_;
    KeyProvider keys_;
    ByteSink restored_;
    bool firstPieceOnly_ = false;
    std::optional<ProtectedVerdict> verdict_;
    bool opened_ = false;
    bool firstPiece_ = true;
    ProtectedHead head_{};
    // The payload decoded and not opened yet.
    std::vector<std::uint8_t, UnwrittenGrowth<std::uint8_t>> payload_;
    // A piece's source, wiped once handed on.
    std::vector<std::uint8_t> plain_;
};

// Reads the whole container file `fileBytes` with ProtectedReader, with the source going to
// `restored`, and gives the verdict.
ProtectedVerdict readProtected(std::string_view fileBytes, const KeyProvider& keys,
                               const ByteSink& restored);

} // namespace tarvex
