#pragma once

#include <QImageReader>
#include <QSize>
#include <cstdint>
#include <optional>
#include <span>

namespace tarvex {

inline constexpr qint64 mebibyte = qint64(1) << 20;
// The memory that decoding one picture may take: a whole picture of up to about 32 megapixels at 4
// bytes a pixel, or a thumbnail of a far larger one that decodes scaled. The decodings under way on
// all the viewer's workers share this much between them.
inline constexpr qint64 pictureAllowance = 128 * mebibyte;
// A decoder visits every pixel that a picture declares, even while it scales: past 16384 x 16384
// pixels a decoding would take more than about a second of processor time.
inline constexpr qint64 mostDeclaredPixels = qint64(16384) * 16384;

// The most memory that `reader` takes to decode the picture of `bytes` that it reads, scaled to
// `scaled` unless that is invalid, judged by what the picture's header declares; none when the
// picture declares more pixels than any decoding may visit. A picture whose header tells no size
// is given the whole allowance.
std::optional<qint64> decodeCost(QImageReader& reader, std::span<const std::uint8_t> bytes,
                                 QSize scaled);

// The share of the allowance that one decoding holds while it lives: taken when it is made,
// waiting while the other decodings hold too much for it, and given back when it goes.
class DecodeShare {
public:
    explicit DecodeShare(qint64 bytes);
    ~DecodeShare();
    DecodeShare(const DecodeShare&) = delete;
    DecodeShare& operator=(const DecodeShare&) = delete;

private:
    qint64 bytes_;
};

} // namespace tarvex
