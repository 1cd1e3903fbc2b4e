#include "container/ProtectedWriter.h"

#include "container/ContainerLayout.h"
#include "container/Sodium.h"
#include "container/StreamState.h"

#include <algorithm>
#include <stdexcept>

namespace tarvex {

ProtectedBuilder::ProtectedBuilder(CodecPath path)
    : kernels_(&kernelsFor(path)), stream_(std::make_unique<StreamState>()),
      plain_(protectedPieceBytes) {}

ProtectedBuilder::~ProtectedBuilder() {
    sodium_memzero(plain_.data(), plain_.size());
}

void ProtectedBuilder::start(const ProtectedKey& key, const ProtectedParameters& parameters,
                             const SourceRecord& record, TextSink file) {
    initSodium();
    if (!key.valid()) {
        throw std::invalid_argument("a Protected container needs a derived key");
    }
    if (!recordableName(record.name)) {
        throw std::invalid_argument("a Protected container records one path component");
    }
    file_ = std::move(file);
    head_ = protectedHead(parameters);
    firstPiece_ = true;
    recordedSize_ = record.size;
    appended_ = 0;
    plainCount_ = 0;
    payload_.clear();
    payload_.resize(payloadFrontBytes);
    std::copy(head_.begin(), head_.end(), payload_.begin());
    crypto_secretstream_xchacha20poly1305_init_push(
        &stream_->state, payload_.data() + protectedHeadBytes, key.bytes());
    RecordBytes plainRecord = recordBytesOf(record);
    push(plainRecord, false);
    sodium_memzero(plainRecord.data(), plainRecord.size());
}

void ProtectedBuilder::append(std::span<const std::uint8_t> piece) {
    appended_ += piece.size();
    while (!piece.empty()) {
        // A whole piece of the caller's is enciphered where it stands. A full piece is never the
        // last: that one holds what is left, less than a piece.
        if (plainCount_ == 0 && piece.size() >= protectedPieceBytes) {
            push(piece.first(protectedPieceBytes), false);
            piece = piece.subspan(protectedPieceBytes);
            continue;
        }
        const std::size_t taken = std::min(piece.size(), protectedPieceBytes - plainCount_);
        std::copy_n(piece.begin(), taken,
                    plain_.begin() + static_cast<std::ptrdiff_t>(plainCount_));
        plainCount_ += taken;
        piece = piece.subspan(taken);
        if (plainCount_ == protectedPieceBytes) {
            push(plain_, false);
            sodium_memzero(plain_.data(), plain_.size());
            plainCount_ = 0;
        }
    }
}

bool ProtectedBuilder::finish() {
    push(std::span(plain_).first(plainCount_), true);
    sodium_memzero(plain_.data(), plainCount_);
    plainCount_ = 0;
    stream_->wipe();
    return appended_ == recordedSize_;
}

void ProtectedBuilder::push(std::span<const std::uint8_t> plain, bool last) {
    const std::size_t at = payload_.size();
    payload_.resize(at + plain.size() + pieceOverhead);
    crypto_secretstream_xchacha20poly1305_push(
        &stream_->state, payload_.data() + at, nullptr, plain.data(), plain.size(),
        firstPiece_ ? head_.data() : nullptr, firstPiece_ ? head_.size() : 0,
        last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
             : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
    firstPiece_ = false;

    // The payload is encoded in whole lines of 57 bytes, the rest kept for the next piece; the
    // last piece's text ends the payload's, and the marker follows it directly.
    const std::size_t encoded =
        last ? payload_.size() : payload_.size() / bodyLineBytes * bodyLineBytes;
    const std::span<const std::uint8_t> bytes(payload_.data(), encoded);
    text_.resize(encodedBodyLength(encoded));
    encodeWith(*kernels_, bytes, text_.data());
    if (last) {
        const std::string_view marker = classRow(ContainerClass::Protected).marker;
        text_.insert(text_.end(), marker.begin(), marker.end());
        text_.insert(text_.end(), fileLineEnd.begin(), fileLineEnd.end());
    }
    file_({text_.data(), text_.size()});
    payload_.erase(payload_.begin(), payload_.begin() + static_cast<std::ptrdiff_t>(encoded));
}

std::string buildProtected(std::span<const std::uint8_t> source, const ProtectedKey& key,
                           const ProtectedParameters& parameters, const SourceRecord& record) {
    std::string file;
    ProtectedBuilder builder;
    builder.start(key, parameters, record, [&file](std::string_view text) { file.append(text); });
    builder.append(source);
    if (!builder.finish()) {
        throw std::invalid_argument("a source of another size than its record");
    }
    return file;
}

} // namespace tarvex
