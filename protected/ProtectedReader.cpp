#include "protected/ProtectedReader.h"

#include "protected/Sodium.h"
#include "protected/StreamState.h"

#include <algorithm>

namespace tarvex {

namespace {

// The text is decoded this many characters at a time, so that the payload in hand stays within a
// piece and the bytes of one part, however large the parts of the file are.
constexpr std::size_t decodePart = 64 * 1024;

} // namespace

ProtectedReader::ProtectedReader(CodecPath path)
    : decoder_(path), stream_(std::make_unique<StreamState>()), plain_(protectedPieceBytes) {
    for (Batch& batch : batches_) {
        batch.cipher.resize(piecesPerPlace * fullCipherPieceBytes);
        batch.plain.resize(piecesPerPlace * protectedPieceBytes);
    }
}

ProtectedReader::~ProtectedReader() {
    dropUnfinished();
}

void ProtectedReader::start(KeyProvider keys, RecordSink record, ByteSink restored,
                            ReadingExtent extent) {
    initSodium();
    dropUnfinished();
    keys_ = std::move(keys);
    recordSink_ = std::move(record);
    restored_ = std::move(restored);
    extent_ = extent;
    verdict_.reset();
    version_ = 0;
    opened_ = false;
    firstPiece_ = true;
    next_ = Next::Content;
    record_ = {};
    contentBytes_ = 0;
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
    dropUnfinished();
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
            // The pieces before the damage that open are handed on first, as always.
            handOnAll();
            verdict_ = verdict_.value_or(ProtectedVerdict::Damaged);
            return;
        }
        open();
        // Neither the record piece, nor the thumbnail piece, nor a full piece is ever the last
        // one, so each opens as soon as it is here: the first piece (the record, in versions 2 and
        // 3) and the thumbnail on this thread, and the full content pieces after them on the
        // reader's.
        std::size_t taken = 0;
        while (opened_ && !verdict_) {
            const std::size_t next = nextPieceBytes();
            if (payload_.size() - taken < next) {
                break;
            }
            const auto cipher = std::span(payload_).subspan(taken, next);
            if (firstPiece_ || next_ != Next::Content) {
                pull(cipher, false);
            } else {
                openBeside(cipher);
            }
            taken += next;
        }
        payload_.erase(payload_.begin(), payload_.begin() + static_cast<std::ptrdiff_t>(taken));
    }
}

void ProtectedReader::open() {
    if (opened_ || verdict_ || payload_.size() < payloadFrontBytes) {
        return;
    }
    std::copy_n(payload_.begin(), head_.size(), head_.begin());
    version_ = versionOfHead(head_);
    next_ = version_ >= 2 ? Next::Record : Next::Content;
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
    firstPiece_ = false;
    const std::span<const std::uint8_t> plain = std::span(plain_).first(length);
    switch (next_) {
    case Next::Record:
        takeRecord(plain, tag);
        break;
    case Next::Thumbnail:
        takeThumbnail(plain, tag);
        break;
    case Next::Content:
        takeContent(plain, tag, last);
        break;
    }
    sodium_memzero(plain_.data(), length);
}

std::size_t ProtectedReader::nextPieceBytes() const {
    switch (next_) {
    case Next::Record:
        return version_ == 3 ? pathRecordPieceBytes : nameRecordPieceBytes;
    case Next::Thumbnail:
        return record_.thumbnailBytes + pieceOverhead;
    case Next::Content:
        break;
    }
    return fullCipherPieceBytes;
}

void ProtectedReader::takeRecord(std::span<const std::uint8_t> plain, unsigned char tag) {
    // The piece pulled as the record is always as long as its version's record piece: its plain
    // bytes are as many as a record's.
    std::optional<SealedRecord> record;
    if (tag == crypto_secretstream_xchacha20poly1305_TAG_MESSAGE) {
        record = version_ == 3 ? pathRecordOf(plain.first<pathRecordBytes>())
                               : nameRecordOf(plain.first<nameRecordBytes>());
    }
    if (!record) {
        verdict_ = ProtectedVerdict::Damaged;
        return;
    }
    record_ = std::move(*record);
    // The first piece alone leaves the thumbnail unread.
    if (record_.thumbnailBytes > 0 && extent_ != ReadingExtent::FirstPiece) {
        next_ = Next::Thumbnail;
        return;
    }
    next_ = Next::Content;
    giveRecord({});
}

void ProtectedReader::takeThumbnail(std::span<const std::uint8_t> plain, unsigned char tag) {
    // The piece pulled as the thumbnail is as long as the record says.
    if (tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE) {
        verdict_ = ProtectedVerdict::Damaged;
        return;
    }
    next_ = Next::Content;
    giveRecord(plain);
}

void ProtectedReader::giveRecord(std::span<const std::uint8_t> thumbnail) {
    if (recordSink_) {
        recordSink_(record_.source, thumbnail);
    }
    if (extent_ == ReadingExtent::FirstPiece) {
        verdict_ = ProtectedVerdict::FirstPieceOpened;
    } else if (extent_ == ReadingExtent::Record) {
        verdict_ = ProtectedVerdict::RecordOpened;
    }
}

void ProtectedReader::takeContent(std::span<const std::uint8_t> plain, unsigned char tag,
                                  bool last) {
    // Only the last piece is final, and it is never full: a piece that opened but is out of its
    // place (a full one tagged final, the last one not) makes the container damaged. So does
    // content beyond the recorded size, as soon as it comes, and content short of it at the end.
    const unsigned char expected = last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                        : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
    contentBytes_ += plain.size();
    const std::uint64_t recordedSize = record_.source.size;
    const bool sized =
        version_ == 1 || (last ? contentBytes_ == recordedSize : contentBytes_ <= recordedSize);
    if (tag != expected || !sized) {
        verdict_ = ProtectedVerdict::Damaged;
        return;
    }
    if (restored_) {
        restored_(plain);
    }
    if (extent_ == ReadingExtent::FirstPiece) {
        verdict_ = ProtectedVerdict::FirstPieceOpened;
    } else if (last) {
        verdict_ = ProtectedVerdict::Restored;
    }
}

void ProtectedReader::end() {
    const std::string_view marker = classRow(ContainerClass::Protected).marker;
    const std::string_view held = window_.characters();
    const bool marked = held.ends_with(marker);
    if (marked) {
        decode(held.substr(0, held.size() - marker.size()));
    }
    if (!verdict_) {
        handOnAll();
    }
    if (verdict_) {
        return;
    }
    // What is left is the last piece: it must be whole Base64 groups and hold at least a piece's
    // overhead, behind the payload's front and, in versions 2 and 3, the record piece (and the
    // thumbnail piece).
    if (!marked || !decoder_.complete() || !opened_ || next_ != Next::Content ||
        payload_.size() < pieceOverhead) {
        verdict_ = ProtectedVerdict::Damaged;
        return;
    }
    pull(payload_, true);
}

void ProtectedReader::openBeside(std::span<const std::uint8_t> cipher) {
    if (inHand_ == batches_.size()) {
        handOnOldest();
        if (verdict_) {
            return;
        }
    }
    Batch& batch = filling();
    std::copy(cipher.begin(), cipher.end(),
              batch.cipher.begin() +
                  static_cast<std::ptrdiff_t>(batch.pieces * fullCipherPieceBytes));
    if (++batch.pieces == piecesPerPlace) {
        post();
    }
}

void ProtectedReader::post() {
    if (!thread_) {
        thread_ = std::make_unique<PieceThread>([this](std::size_t place) {
            Batch& batch = batches_[place];
            for (batch.opened = 0; batch.opened < batch.pieces; ++batch.opened) {
                if (crypto_secretstream_xchacha20poly1305_pull(
                        &stream_->state, batch.plain.data() + batch.opened * protectedPieceBytes,
                        nullptr, &batch.tags[batch.opened],
                        batch.cipher.data() + batch.opened * fullCipherPieceBytes,
                        fullCipherPieceBytes, nullptr, 0) != 0) {
                    break;
                }
            }
        });
    }
    const std::size_t place = (oldest_ + inHand_) % batches_.size();
    batches_[place].turn = thread_->post(place);
    ++inHand_;
}

void ProtectedReader::handOnAll() {
    // With every place in hand, there is no filling batch.
    if (inHand_ < batches_.size() && filling().pieces > 0) {
        post();
    }
    while (!verdict_ && inHand_ > 0) {
        handOnOldest();
    }
}

void ProtectedReader::handOnOldest() {
    Batch& batch = batches_[oldest_];
    thread_->waitFor(batch.turn);
    for (std::size_t i = 0; i < batch.pieces && !verdict_; ++i) {
        if (i == batch.opened) {
            verdict_ = ProtectedVerdict::NotOpened;
            break;
        }
        takeContent(std::span(batch.plain).subspan(i * protectedPieceBytes, protectedPieceBytes),
                    batch.tags[i], false);
    }
    // What the sink threw leaves the batch in hand, for dropUnfinished to wipe.
    sodium_memzero(batch.plain.data(), batch.opened * protectedPieceBytes);
    batch.pieces = 0;
    oldest_ = (oldest_ + 1) % batches_.size();
    --inHand_;
}

void ProtectedReader::dropUnfinished() {
    if (thread_) {
        thread_->waitForAll();
    }
    for (; inHand_ > 0; --inHand_) {
        Batch& batch = batches_[oldest_];
        sodium_memzero(batch.plain.data(), batch.opened * protectedPieceBytes);
        batch.pieces = 0;
        oldest_ = (oldest_ + 1) % batches_.size();
    }
    filling().pieces = 0;
}

} // namespace tarvex
