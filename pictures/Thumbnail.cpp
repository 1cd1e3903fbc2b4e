#include "pictures/Thumbnail.h"

#include "pictures/PictureBounds.h"
#include "pictures/PictureFormats.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace tarvex::pictures {

namespace {

constexpr int jpegQuality = 80;

bool declaresTooManyPixels(QSize declared, const QByteArray& format) {
    const std::int64_t pixels = std::int64_t{declared.width()} * declared.height();
    return pixels > (format == "jpeg" ? jpegPixelBound : otherPixelBound);
}

// The picture's own size when it fits, else scaled down to fit, keeping its proportions.
QSize thumbnailSize(QSize declared) {
    if (declared.width() <= thumbnailSide && declared.height() <= thumbnailSide)
        return declared;
    return declared.scaled(thumbnailSide, thumbnailSide, Qt::KeepAspectRatio)
        .expandedTo(QSize(1, 1));
}

std::optional<std::vector<std::uint8_t>> encodeJpeg(const QImage& image) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(jpegQuality);
    // JPEG has no alpha: transparent parts are laid on white rather than on black.
    QImage opaque = image;
    if (image.hasAlphaChannel()) {
        opaque = QImage(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter(&opaque).drawImage(0, 0, image);
    }
    if (!writer.write(opaque))
        return std::nullopt;
    return std::vector<std::uint8_t>(jpeg.begin(), jpeg.end());
}

} // namespace

std::optional<std::vector<std::uint8_t>> makeThumbnail(std::span<const std::uint8_t> bytes) {
    addPictureFormats();
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(decodeAllocationLimitMiB);
    const QSize declared = reader.size();
    if (!declared.isValid() || declared.isEmpty() ||
        declaresTooManyPixels(declared, reader.format()))
        return std::nullopt;
    reader.setScaledSize(thumbnailSize(declared));
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return encodeJpeg(image);
}

} // namespace tarvex::pictures
