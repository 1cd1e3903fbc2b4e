#include "container/ProtectedReader.h"

#include "container/Sodium.h"
#include "container/StreamState.h"

#include <algorithm>

namespace tarvex {

namespace {

// The text is decoded this many characters at a time, so that the payload in hand stays within a
// piece and the bytes of one part, however large the parts of the file are.
constexpr std::size_t decodePart = 64 * 1024;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

ProtectedReader::ProtectedReader(CodecPath path)
    : decoder_(path), stream_(std::make_unique<StreamState>()), plain_(protectedPieceBytes) {}

ProtectedReader::~ProtectedReader() = default;

void ProtectedReader::start(KeyProvider keys, ByteSink restored, bool firstPieceOnly) {
    initSodium();
    keys_ = std::move(keys);
    restored_ = std::move(restored);
    firstPieceOnly_ = firstPieceOnly;
    verdict_.reset();
    opened_ = false;
    firstPiece_ = true;
    payload_.clear();
    decoder_.start();
    text_.start();
    window_.clear();
}

bool ProtectedReader::append(std::span<const std::uint8_t> filePiece) {
    if (!verdict_) {
        text_.take(filePiece, [this](std::string_view text) { takeText(text); });
    }
    return !verdict_ && !text_.ended();
}

ProtectedVerdict ProtectedReader::finish() {
    if (!verdict_) {
        text_.finish([this](std::string_view text) { takeText(text); });
    }
    if (!verdict_) {
        end();
    }
    stream_->wipe();
    return *verdict_;
}

void ProtectedReader::takeText(std::string_view text) {
    // The window keeps the text's last characters back, the marker's among them, until more
    // comes or the text ends.
    window_.add(text, [this](std::string_view part) { decode(part); });
}

void ProtectedReader::decode(std::string_view text) {
    while (!text.empty() && !verdict_) {
        const std::string_view part = text.substr(0, decodePart);
        text.remove_prefix(part.size());
        const std::size_t at = payload_.size();
        payload_.resize(at + decoder_.capacityFor(part.size()));
        const std::uint8_t* const end = decoder_.append(part, payload_.data() + at);
        payload_.resize(static_cast<std::size_t>(end - payload_.data()));
        if (decoder_.failed()) {
            verdict_ = ProtectedVerdict::Damaged;
            return;
        }
        open();
        // A full piece is never the last one, so it opens as soon as it is here.
        std::size_t taken = 0;
        while (opened_ && !verdict_ && payload_.size() - taken >= fullCipherPieceBytes) {
            pull(std::span(payload_).subspan(taken, fullCipherPieceBytes), false);
            taken += fullCipherPieceBytes;
        }
        payload_.erase(payload_.begin(), payload_.begin() + static_cast<std::ptrdiff_t>(taken));
    }
}

void ProtectedReader::open() {
    if (opened_ || verdict_ || payload_.size() < payloadFrontBytes) {
        return;
    }
    std::copy_n(payload_.begin(), head_.size(), head_.begin());
    const std::optional<ProtectedParameters> parameters = parametersOfHead(head_);
    // A cost beyond the accepted one is refused before any key is asked for.
    if (!parameters || !acceptedCost(parameters->cost)) {
        verdict_ = ProtectedVerdict::Damaged;
        return;
    }
    const ProtectedKey* const key = keys_(*parameters);
    if (key == nullptr || !key->valid()) {
        verdict_ = ProtectedVerdict::NoKey;
        return;
    }
    if (crypto_secretstream_xchacha20poly1305_init_pull(
            &stream_->state, payload_.data() + protectedHeadBytes, key->bytes()) != 0) {
        verdict_ = ProtectedVerdict::NotOpened;
        return;
    }
    payload_.erase(payload_.begin(), payload_.begin() + payloadFrontBytes);
    opened_ = true;
}

void ProtectedReader::pull(std::span<const std::uint8_t> cipher, bool last) {
    unsigned long long length = 0;
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(
            &stream_->state, plain_.data(), &length, &tag, cipher.data(), cipher.size(),
            firstPiece_ ? head_.data() : nullptr, firstPiece_ ? head_.size() : 0) != 0) {
        verdict_ = ProtectedVerdict::NotOpened;
        return;
    }
    // Only the last piece is final, and it is never full: a piece that opened but is out of its
    // place (a full one tagged final, the last one not) makes the container damaged.
    const unsigned char expected = last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                        : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
    if (tag == expected) {
        if (restored_) {
            restored_(std::span(plain_).first(length));
        }
        firstPiece_ = false;
        if (firstPieceOnly_) {
            verdict_ = ProtectedVerdict::FirstPieceOpened;
        } else if (last) {
            verdict_ = ProtectedVerdict::Restored;
        }
    } else {
        verdict_ = ProtectedVerdict::Damaged;
    }
    sodium_memzero(plain_.data(), length);
}

void ProtectedReader::end() {
    const std::string_view marker = classRow(ContainerClass::Protected).marker;
    const std::string_view held = window_.characters();
    if (!held.ends_with(marker)) {
        verdict_ = ProtectedVerdict::Damaged;
        return;
    }
    decode(held.substr(0, held.size() - marker.size()));
    if (verdict_) {
        return;
    }
    // What is left is the last piece: it must be whole Base64 groups and hold at least a piece's
    // overhead, behind the payload's front.
    if (!decoder_.complete() || !opened_ || payload_.size() < pieceOverhead) {
        verdict_ = ProtectedVerdict::Damaged;
        return;
    }
    pull(payload_, true);
}

ProtectedVerdict readProtected(std::string_view fileBytes, const KeyProvider& keys,
                               const ByteSink& restored) {
    ProtectedReader reader;
    reader.start(keys, restored);
    reader.append(bytesOf(fileBytes));
    return reader.finish();
}

} // namespace tarvex
