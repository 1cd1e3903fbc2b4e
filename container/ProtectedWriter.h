#pragma once

#include "codec/Base64Kernels.h"
#include "container/ContainerWriter.h"
#include "container/ProtectedKey.h"
#include "container/ProtectedLayout.h"
#include "container/UnwrittenGrowth.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarvex {

struct StreamState;

// Writes Protected containers of version 2 one after another (see ProtectedLayout.h). The source
// comes in pieces of any size; each piece of 65,536 bytes is enciphered as soon as it is
// complete, and its text is handed on with the payload's whole lines. Neither the source nor the
// text is ever held whole: the builder keeps a piece and its text in buffers that it keeps from
// file to file, and wipes the source bytes (and the record) it held once they are enciphered.
class ProtectedBuilder {
public:
    // Encodes with the kernels of `path`, which must be supported.
    explicit ProtectedBuilder(CodecPath path = fastestCodecPath());
    ~ProtectedBuilder();

    // Begins the next container, with a fresh stream header, enciphered with `key` (which must be
    // valid, and is used during this call only) derived with `parameters`, and sealing `record`
    // as its first piece. `file` receives the container file as it is made. Throws
    // std::invalid_argument for a key that is not valid or a record whose name is not one path
    // component of 1 to 255 bytes (see recordableName).
    void start(const ProtectedKey& key, const ProtectedParameters& parameters,
               const SourceRecord& record, TextSink file);
    // Adds the next bytes of the source.
    void append(std::span<const std::uint8_t> piece);
    // Enciphers the last piece and ends the container with the marker. False when the bytes
    // appended were not as many as the record says (the source shrank or grew while it was read):
    // then the file made is no container that opens, and must not be kept.
    [[nodiscard]] bool finish();

private:
    // Enciphers a piece of the source behind the payload in hand, and hands the payload on as text:
    // its whole lines, or all of it with the marker after the last piece.
    void push(std::span<const std::uint8_t> plain, bool last);

    const CodecKernels* kernels_;
    std::unique_ptr<StreamState> stream_;
    TextSink file_;
    ProtectedHead head_{};
    bool firstPiece_ = true;
    std::uint64_t recordedSize_ = 0;
    std::uint64_t appended_ = 0;
    // The source bytes of the piece begun, when they came in more than one part.
    std::vector<std::uint8_t> plain_;
    std::size_t plainCount_ = 0;
    // The payload not handed on yet: less than a line, then the piece just enciphered.
    std::vector<std::uint8_t, UnwrittenGrowth<std::uint8_t>> payload_;
    std::vector<char, UnwrittenGrowth<char>> text_;
};

// The container file of a source held whole; see ProtectedBuilder. Throws
// std::invalid_argument, as ProtectedBuilder::start does and when `source` is not as large as
// `record` says.
std::string buildProtected(std::span<const std::uint8_t> source, const ProtectedKey& key,
                           const ProtectedParameters& parameters, const SourceRecord& record);

} // namespace tarvex
