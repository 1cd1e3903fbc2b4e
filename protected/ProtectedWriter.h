#pragma once

#include "codec/Base64Kernels.h"
#include "container/ContainerWriter.h"
#include "container/UnwrittenGrowth.h"
#include "protected/PieceThread.h"
#include "protected/ProtectedKey.h"
#include "protected/ProtectedLayout.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarvex {

struct StreamState;

// Writes Protected containers of version 3 one after another (see ProtectedLayout.h). The record
// and the thumbnail are enciphered and handed on as the container starts, before any of the
// source. The source comes in pieces of any size, and is cut into pieces of 65,536 bytes. Neither
// the source nor the text is ever held whole: the builder keeps a few pieces and their text in
// buffers that it keeps from file to file, and wipes the source bytes (and the record) it held
// once they are enciphered; the thumbnail is enciphered straight from the caller's bytes.
//
// Whole pieces are enciphered a few at a time on a thread of the builder's own, which it starts
// for the first of them, while the caller's thread goes on reading: the source's bytes are copied
// into a small ring of batches, which the thread enciphers in turn. The caller's thread encodes
// the enciphered batches and hands their text to the file sink when it needs their places again,
// and at the end: so the sink is only ever called on the caller's thread, and what it throws comes
// out of the call that handed the text on. A container given up half-way (the caller stops
// calling, or the sink threw) is dropped by the next start.
class ProtectedBuilder {
public:
    // Encodes with the kernels of `path`, which must be supported.
    explicit ProtectedBuilder(CodecPath path = fastestCodecPath());
    ~ProtectedBuilder();

    // Begins the next container, with a fresh stream header, enciphered with `key` (which must be
    // valid, and is used during this call only) derived with `parameters`, and sealing `record`
    // as its first piece and `thumbnail` (none when empty) as its second. `file` receives the
    // container file as it is made, the text of the record and the thumbnail already during this
    // call. Throws std::invalid_argument for a key that is not valid, a record whose path cannot
    // be recorded (see recordablePath) or a thumbnail of more than 65,536 bytes.
    void start(const ProtectedKey& key, const ProtectedParameters& parameters,
               const SourceRecord& record, std::span<const std::uint8_t> thumbnail, TextSink file);
    // Adds the next bytes of the source.
    void append(std::span<const std::uint8_t> piece);
    // Enciphers the last piece and ends the container with the marker. False when the bytes
    // appended were not as many as the record says (the source shrank or grew while it was read):
    // then the file made is no container that opens, and must not be kept.
    [[nodiscard]] bool finish();

private:
    using Text = std::vector<char, UnwrittenGrowth<char>>;
    using Bytes = std::vector<std::uint8_t, UnwrittenGrowth<std::uint8_t>>;
    // Whole pieces of the source, copied for the thread to encipher, and where it writes them
    // enciphered, behind room for the payload in hand.
    struct Batch {
        Bytes plain;            // its pages are taken from the system only once used
        std::size_t pieces = 0; // given to the thread
        Bytes payload;
        std::uint64_t turn = 0;
    };

    // The batch that the source's next bytes are copied into, while a place is free.
    Batch& filling() { return batches_[(oldest_ + inHand_) % batches_.size()]; }
    // Gives the first `pieces` pieces of the filling batch to the thread.
    void post(std::size_t pieces);
    // Hands the oldest batch's text on, once it is enciphered, and wipes its source bytes.
    void handOnOldest();
    // Waits for the thread, and wipes the source bytes of a container given up.
    void dropUnfinished();
    // Enciphers a piece of the source behind the payload in hand, and hands the payload on as
    // text: its whole lines, or all of it with the marker after the last piece.
    void push(std::span<const std::uint8_t> plain, bool last);
    // Hands the whole lines of `payload` on as text (all of it after the last piece, with the
    // marker); gives how many bytes that was.
    std::size_t handOn(std::span<const std::uint8_t> payload, bool last);

    const CodecKernels* kernels_;
    std::unique_ptr<StreamState> stream_;
    TextSink file_;
    ProtectedHead head_{};
    bool firstPiece_ = true;
    std::uint64_t recordedSize_ = 0;
    std::uint64_t appended_ = 0;
    // The payload not handed on yet: less than a line, then the piece just enciphered.
    Bytes payload_;
    Text text_;
    std::array<Batch, PieceThread::places> batches_;
    std::size_t oldest_ = 0; // the batch to hand on first
    std::size_t inHand_ = 0; // batches given to the thread and not handed on
    std::size_t filled_ = 0; // source bytes in the filling batch
    std::unique_ptr<PieceThread> thread_;
};

// The container file of a source held whole; see ProtectedBuilder. Throws
// std::invalid_argument, as ProtectedBuilder::start does and when `source` is not as large as
// `record` says.
std::string buildProtected(std::span<const std::uint8_t> source, const ProtectedKey& key,
                           const ProtectedParameters& parameters, const SourceRecord& record,
                           std::span<const std::uint8_t> thumbnail = {});

} // namespace tarvex
