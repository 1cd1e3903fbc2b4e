#pragma once

#include "codec/Base64Kernels.h"
#include "container/ContainerReader.h"
#include "container/ContainerText.h"
#include "container/Sinks.h"
#include "container/UnwrittenGrowth.h"
#include "protected/PieceThread.h"
#include "protected/ProtectedKey.h"
#include "protected/ProtectedLayout.h"

#include <array>
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
    FirstPieceOpened, // the first piece opened (the record, in versions 2 and 3), and only that
                      // was asked
    RecordOpened,     // the record and the thumbnail opened, and only they were asked
    NotOpened,        // a piece did not open: a wrong password or damage, which look the same
    Damaged,          // not a container: its text, head, cost, record or pieces are wrong
    NoKey,            // the key provider gave none
};

// Reads Protected containers of versions 1 to 3 one after another, a piece of the file at a time,
// in memory that does not grow with the file: an enciphered piece and the text in hand. The text
// is cleaned as for the other classes (see ContainerText; a Ctrl-Z ends it), and then, line
// breaks aside, must be the strict Base64 of the payload followed by the marker. The key is asked
// for once the head and the stream header are read and the head's cost is accepted. In versions
// 2 and 3 the record piece must open, be a message and hold a valid record (see nameRecordOf and
// pathRecordOf), in version 3 the thumbnail piece it announces must open and be a message, and
// the content must be as long as the record says: content beyond it is damage as soon as it
// comes, and content short of it when the last piece comes. The record and the thumbnail go to
// their sink together, once both are found right; each content piece goes to its sink as soon as
// it has opened and been found right, and only then; a container that ends in any other verdict
// than Restored has given part of its source at most.
//
// Full content pieces are opened a few at a time on a thread of the reader's own, which it starts
// for the first of them, while the caller's thread goes on cleaning and decoding the text. The
// caller's thread checks what each opening found, and hands the bytes on, when it needs the
// batch's place again and at the end: so the sink is only ever called on the caller's thread,
// and a verdict may come a few batches after the piece it is about.
class ProtectedReader {
public:
    // Decodes with the kernels of `path`, which must be supported.
    explicit ProtectedReader(CodecPath path = fastestCodecPath());
    ~ProtectedReader();

    // Begins the next file: its key comes from `keys`, its record and thumbnail (versions 2 and 3
    // only) go to `record` before any of its bytes, and its restored bytes go to `restored` (each
    // if any). With ReadingExtent::FirstPiece, the reading ends once the first piece has opened:
    // the record for versions 2 and 3 (one that opens but is not valid makes the file damaged),
    // which goes to `record` without the thumbnail, else the first content piece. With
    // ReadingExtent::Record, the reading of versions 2 and 3 ends once the record and the
    // thumbnail have gone to `record`; version 1, which records nothing, is read whole.
    void start(KeyProvider keys, RecordSink record, ByteSink restored,
               ReadingExtent extent = ReadingExtent::Whole);
    // Reads the next piece of the file. False once the rest of the file is not needed: the
    // verdict is known, or the text has ended.
    bool append(std::span<const std::uint8_t> filePiece);
    // Ends the reading and gives the verdict.
    ProtectedVerdict finish();
    // The version of the file begun, 1 to 3, once its head is read; 0 before, and for a head
    // without a magic.
    int version() const { return version_; }

private:
    // Takes the next part of the text; the last characters are held back for the marker.
    void takeText(std::string_view text);
    // Decodes characters of the payload's text and opens what it can.
    void decode(std::string_view text);
    // Reads the head, asks for the key and begins the stream, once the payload has its front.
    void open();
    // Opens the enciphered piece `cipher` and takes what it holds; `last` when the payload ends
    // with it.
    void pull(std::span<const std::uint8_t> cipher, bool last);
    // The length of the next piece to open on the caller's thread (the record or the thumbnail),
    // or of a full content piece.
    std::size_t nextPieceBytes() const;
    // Takes the plain record piece, tagged `tag`.
    void takeRecord(std::span<const std::uint8_t> plain, unsigned char tag);
    // Takes the plain thumbnail piece, tagged `tag`.
    void takeThumbnail(std::span<const std::uint8_t> plain, unsigned char tag);
    // Gives the record and `thumbnail` to their sink, and ends a reading that asked for no more.
    void giveRecord(std::span<const std::uint8_t> thumbnail);
    // Takes a plain content piece, tagged `tag`, and hands it on.
    void takeContent(std::span<const std::uint8_t> plain, unsigned char tag, bool last);
    // Ends a text whose end has come.
    void end();

    using Bytes = std::vector<std::uint8_t, UnwrittenGrowth<std::uint8_t>>;
    // Full content pieces, copied for the thread to open: its plain bytes of each, and what the
    // opening found.
    struct Batch {
        Bytes cipher;
        Bytes plain; // its pages are taken from the system only once used
        std::size_t pieces = 0;
        std::size_t opened = 0; // the pieces that opened, from the first
        std::array<unsigned char, piecesPerPlace> tags{};
        std::uint64_t turn = 0;
    };

    // The batch that the next full piece is copied into, while a place is free.
    Batch& filling() { return batches_[(oldest_ + inHand_) % batches_.size()]; }
    // Copies a full content piece into the filling batch, which goes to the thread once full.
    void openBeside(std::span<const std::uint8_t> cipher);
    // Gives the filling batch to the thread.
    void post();
    // Takes the oldest batch's pieces in turn, once opened, and wipes their plain bytes.
    void handOnOldest();
    // Takes the pieces of every batch, the filling one too, until a verdict comes.
    void handOnAll();
    // Waits for the thread, and wipes the plain bytes of a reading given up.
    void dropUnfinished();

    StrictDecoder decoder_;
    std::unique_ptr<StreamState> stream_;
    ContainerText text_{endOfInput};
    TextWindow window_;
    KeyProvider keys_;
    RecordSink recordSink_;
    ByteSink restored_;
    ReadingExtent extent_ = ReadingExtent::Whole;
    std::optional<ProtectedVerdict> verdict_;
    int version_ = 0;
    bool opened_ = false;
    bool firstPiece_ = true;
    // The piece to come: the record and the thumbnail in versions 2 and 3, then the content.
    enum class Next { Record, Thumbnail, Content };
    Next next_ = Next::Content;
    // Versions 2 and 3: the record opened, with the length of its thumbnail and the size of its
    // source, and the content bytes opened so far.
    SealedRecord record_;
    std::uint64_t contentBytes_ = 0;
    ProtectedHead head_{};
    // The payload decoded and not opened yet.
    std::vector<std::uint8_t, UnwrittenGrowth<std::uint8_t>> payload_;
    // A piece's source, wiped once handed on.
    std::vector<std::uint8_t> plain_;
    std::array<Batch, PieceThread::places> batches_;
    std::size_t oldest_ = 0; // the batch to hand on first
    std::size_t inHand_ = 0; // batches given to the thread and not handed on
    std::unique_ptr<PieceThread> thread_;
};

} // namespace tarvex
