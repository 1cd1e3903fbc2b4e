#include "viewer/DecodeCost.h"

#include <QImage>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace tarvex {

namespace {

// What libjpeg needs to know of a JPEG before it decodes: found in its frame header (SOFn) and
// in the header of its first scan (SOS), which Qt reads up to when it reads the size.
struct JpegLayout {
    struct Component {
        int across; // horizontal sampling factor
        int down;   // vertical sampling factor
    };
    qint64 width = 0;
    qint64 height = 0;
    std::vector<Component> components;
    bool progressive = false;
    int firstScanComponents = 0;
};

bool isFrameMarker(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void readFrame(std::span<const std::uint8_t> segment, std::uint8_t marker, JpegLayout& layout) {
    if (segment.size() < 6)
        return;
    layout.height = segment[1] << 8 | segment[2];
    layout.width = segment[3] << 8 | segment[4];
    // SOF2, SOF6, SOF10 and SOF14 are the progressive ones.
    layout.progressive = (marker & 0x03) == 0x02;
    const std::size_t count = segment[5];
    for (std::size_t i = 0; i < count && 6 + 3 * i + 1 < segment.size(); ++i) {
        const std::uint8_t factors = segment[6 + 3 * i + 1];
        layout.components.push_back({std::max(1, factors >> 4), std::max(1, factors & 0x0F)});
    }
}

// The layout of the JPEG of `bytes`, or none when its segments end before its first scan.
std::optional<JpegLayout> jpegLayout(std::span<const std::uint8_t> bytes) {
    JpegLayout layout;
    std::size_t at = 2; // after the start of image, FF D8
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF)
            return std::nullopt;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF || (marker >= 0xD0 && marker <= 0xD8)) {
            at += marker == 0xFF ? 1 : 2; // a fill byte, or a marker without a segment
            continue;
        }
        const std::size_t length = std::size_t(bytes[at + 2] << 8 | bytes[at + 3]);
        const auto segment =
            bytes.subspan(at + 4, std::min(bytes.size() - at - 4, length >= 2 ? length - 2 : 0));
        if (isFrameMarker(marker))
            readFrame(segment, marker, layout);
        if (marker == 0xDA) {
            layout.firstScanComponents = segment.empty() ? 0 : segment[0];
            return layout;
        }
        at += 2 + length;
    }
    return std::nullopt;
}

// The bytes in which libjpeg holds every coefficient of the picture at once, as it does for a
// progressive JPEG and for one whose first scan holds only some of its components; 0 for others.
// Each 8 x 8 block of a component takes 64 coefficients of 2 bytes.
qint64 coefficientBytes(const JpegLayout& layout) {
    if (!layout.progressive && layout.firstScanComponents >= int(layout.components.size()))
        return 0;
    int mostAcross = 1;
    int mostDown = 1;
    for (const JpegLayout::Component& component : layout.components) {
        mostAcross = std::max(mostAcross, component.across);
        mostDown = std::max(mostDown, component.down);
    }
    qint64 bytes = 0;
    for (const JpegLayout::Component& component : layout.components) {
        // Rounded up to whole blocks, and to whole units of the blocks' interleaving.
        const qint64 across = layout.width * component.across / (8 * mostAcross) + 1 + mostAcross;
        const qint64 down = layout.height * component.down / (8 * mostDown) + 1 + mostDown;
        bytes += across * down * 128;
    }
    return bytes;
}

// The pixels that the JPEG decoder gives for `declared` asked at `scaled`: libjpeg scales by 1/2,
// 1/4 or 1/8 while it decodes, to a size no smaller than the one asked for.
qint64 jpegOutputPixels(QSize declared, QSize scaled) {
    int divisor = 1;
    while (divisor < 8 && declared.width() / (2 * divisor) >= scaled.width() &&
           declared.height() / (2 * divisor) >= scaled.height())
        divisor *= 2;
    return qint64(declared.width() / divisor + 1) * (declared.height() / divisor + 1);
}

std::mutex budgetMutex;
std::condition_variable budgetFreed;
// The bytes that the decodings under way hold of the allowance.
qint64 budgetHeld = 0;

} // namespace

std::optional<qint64> decodeCost(QImageReader& reader, std::span<const std::uint8_t> bytes,
                                 QSize scaled) {
    const QSize declared = reader.size();
    if (!declared.isValid())
        return pictureAllowance;
    if (qint64(declared.width()) * declared.height() > mostDeclaredPixels)
        return std::nullopt;
    // At least 4 bytes a pixel: a picture that is scaled or turned upright becomes 32 bits.
    const QImage::Format format = reader.imageFormat();
    const int bits = format == QImage::Format_Invalid
                         ? 32
                         : std::max(32, int(QImage::toPixelFormat(format).bitsPerPixel()));
    qint64 pixels = qint64(declared.width()) * declared.height();
    qint64 held = 0;
    if (reader.format() == "jpeg") {
        if (scaled.isValid())
            pixels = jpegOutputPixels(declared, scaled);
        // Without a layout to go by, every coefficient of three components is held.
        const std::optional<JpegLayout> layout = jpegLayout(bytes);
        held = layout ? coefficientBytes(*layout)
                      : qint64(declared.width()) * declared.height() * 3 * 2;
    }
    // The decoder's rows at work, and the picture scaled from what it decoded.
    const qint64 rows = qint64(declared.width()) * 64;
    const qint64 fitted = scaled.isValid() ? qint64(scaled.width()) * scaled.height() * 4 : 0;
    return pixels * bits / 8 + held + rows + fitted;
}

DecodeShare::DecodeShare(qint64 bytes) : bytes_(std::min(bytes, pictureAllowance)) {
    std::unique_lock lock(budgetMutex);
    budgetFreed.wait(lock, [this] { return budgetHeld + bytes_ <= pictureAllowance; });
    budgetHeld += bytes_;
}

DecodeShare::~DecodeShare() {
    {
        const std::lock_guard lock(budgetMutex);
        budgetHeld -= bytes_;
    }
    budgetFreed.notify_all();
}

} // namespace tarvex
