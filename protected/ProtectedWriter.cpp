#include "protected/ProtectedWriter.h"

#include "container/ContainerLayout.h"
#include "protected/Sodium.h"
#include "protected/StreamState.h"

#include <algorithm>
#include <stdexcept>

namespace tarvex {

namespace {

// The most pieces whose text goes to the sink in one part.
constexpr std::size_t piecesPerWrite = 4;

} // namespace

ProtectedBuilder::ProtectedBuilder(CodecPath path)
    : kernels_(&kernelsFor(path)), stream_(std::make_unique<StreamState>()) {
    for (Batch& batch : batches_) {
        batch.plain.resize(piecesPerPlace * protectedPieceBytes);
    }
}

ProtectedBuilder::~ProtectedBuilder() {
    dropUnfinished();
}

void ProtectedBuilder::start(const ProtectedKey& key, const ProtectedParameters& parameters,
                             const SourceRecord& record, std::span<const std::uint8_t> thumbnail,
                             TextSink file) {
    initSodium();
    if (!key.valid()) {
        throw std::invalid_argument("a Protected container needs a derived key");
    }
    if (!recordablePath(record.path)) {
        throw std::invalid_argument("a Protected container records a relative path of names");
    }
    if (thumbnail.size() > largestThumbnailBytes) {
        throw std::invalid_argument("a Protected container's thumbnail is 65,536 bytes at most");
    }
    dropUnfinished();
    file_ = std::move(file);
    head_ = protectedHead(parameters);
    firstPiece_ = true;
    recordedSize_ = record.size;
    appended_ = 0;
    payload_.clear();
    payload_.resize(payloadFrontBytes);
    std::copy(head_.begin(), head_.end(), payload_.begin());
    crypto_secretstream_xchacha20poly1305_init_push(
        &stream_->state, payload_.data() + protectedHeadBytes, key.bytes());
    PathRecordBytes plainRecord = pathRecordBytesOf(record, thumbnail.size());
    try {
        push(plainRecord, false);
    } catch (...) {
        sodium_memzero(plainRecord.data(), plainRecord.size());
        throw;
    }
    sodium_memzero(plainRecord.data(), plainRecord.size());
    if (!thumbnail.empty()) {
        push(thumbnail, false);
    }
}

void ProtectedBuilder::dropUnfinished() {
    if (thread_) {
        thread_->waitForAll();
    }
    for (; inHand_ > 0; --inHand_) {
        Batch& batch = batches_[oldest_];
        sodium_memzero(batch.plain.data(), batch.pieces * protectedPieceBytes);
        oldest_ = (oldest_ + 1) % batches_.size();
    }
    sodium_memzero(filling().plain.data(), filled_);
    filled_ = 0;
}

void ProtectedBuilder::append(std::span<const std::uint8_t> piece) {
    appended_ += piece.size();
    while (!piece.empty()) {
        if (inHand_ == batches_.size()) {
            handOnOldest();
        }
        Batch& batch = filling();
        const std::size_t taken = std::min(piece.size(), batch.plain.size() - filled_);
        std::copy_n(piece.begin(), taken,
                    batch.plain.begin() + static_cast<std::ptrdiff_t>(filled_));
        filled_ += taken;
        piece = piece.subspan(taken);
        // A full batch goes to the thread at once. Its pieces are full, so none is the last: that
        // one holds what is left, less than a piece.
        if (filled_ == batch.plain.size()) {
            post(piecesPerPlace);
        }
    }
}

void ProtectedBuilder::post(std::size_t pieces) {
    if (!thread_) {
        thread_ = std::make_unique<PieceThread>([this](std::size_t place) {
            Batch& batch = batches_[place];
            for (std::size_t i = 0; i < batch.pieces; ++i) {
                crypto_secretstream_xchacha20poly1305_push(
                    &stream_->state,
                    batch.payload.data() + bodyLineBytes + i * fullCipherPieceBytes, nullptr,
                    batch.plain.data() + i * protectedPieceBytes, protectedPieceBytes, nullptr, 0,
                    crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
            }
        });
    }
    const std::size_t place = (oldest_ + inHand_) % batches_.size();
    Batch& batch = batches_[place];
    batch.pieces = pieces;
    // Room in front for the payload in hand, which is less than a line.
    batch.payload.resize(bodyLineBytes + pieces * fullCipherPieceBytes);
    batch.turn = thread_->post(place);
    ++inHand_;
    filled_ = 0;
}

void ProtectedBuilder::handOnOldest() {
    Batch& batch = batches_[oldest_];
    thread_->waitFor(batch.turn);
    oldest_ = (oldest_ + 1) % batches_.size();
    --inHand_;
    sodium_memzero(batch.plain.data(), batch.pieces * protectedPieceBytes);
    const std::size_t held = payload_.size();
    auto payload = std::span(batch.payload).subspan(bodyLineBytes - held);
    std::copy(payload_.begin(), payload_.end(), payload.begin());
    // The text goes to the sink in parts of a few pieces: larger writes can stall on the kernel's
    // memory compaction.
    while (payload.size() >= bodyLineBytes) {
        payload = payload.subspan(handOn(
            payload.first(std::min(payload.size(), piecesPerWrite * fullCipherPieceBytes)), false));
    }
    payload_.assign(payload.begin(), payload.end());
}

bool ProtectedBuilder::finish() {
    // The filling batch's whole pieces go to the thread; what is left of it is the last piece.
    Batch& batch = filling();
    const std::size_t whole = filled_ / protectedPieceBytes;
    const auto last =
        std::span(batch.plain)
            .subspan(whole * protectedPieceBytes, filled_ - whole * protectedPieceBytes);
    if (whole > 0) {
        post(whole);
    }
    filled_ = 0;
    try {
        while (inHand_ > 0) {
            handOnOldest();
        }
        push(last, true);
    } catch (...) {
        sodium_memzero(last.data(), last.size());
        throw;
    }
    sodium_memzero(last.data(), last.size());
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
    const std::size_t encoded = handOn(payload_, last);
    payload_.erase(payload_.begin(), payload_.begin() + static_cast<std::ptrdiff_t>(encoded));
}

std::size_t ProtectedBuilder::handOn(std::span<const std::uint8_t> payload, bool last) {
    // The payload is encoded in whole lines of 57 bytes, the rest kept for the next piece; the
    // last piece's text ends the payload's, and the marker follows it directly.
    const std::size_t encoded =
        last ? payload.size() : payload.size() / bodyLineBytes * bodyLineBytes;
    text_.resize(encodedBodyLength(encoded));
    encodeWith(*kernels_, payload.first(encoded), text_.data());
    if (last) {
        const std::string_view marker = classRow(ContainerClass::Protected).marker;
        text_.insert(text_.end(), marker.begin(), marker.end());
        text_.insert(text_.end(), fileLineEnd.begin(), fileLineEnd.end());
    }
    file_({text_.data(), text_.size()});
    return encoded;
}

std::string buildProtected(std::span<const std::uint8_t> source, const ProtectedKey& key,
                           const ProtectedParameters& parameters, const SourceRecord& record,
                           std::span<const std::uint8_t> thumbnail) {
    std::string file;
    ProtectedBuilder builder;
    builder.start(key, parameters, record, thumbnail,
                  [&file](std::string_view text) { file.append(text); });
    builder.append(source);
    if (!builder.finish()) {
        throw std::invalid_argument("a source of another size than its record");
    }
    return file;
}

} // namespace tarvex
