#include "MadePictures.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <stdexcept>

namespace tarvex::testing {

namespace {

void appendLittle16(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>((value >> 8) & 0xff));
}

// GIF's codes, packed least significant bit first into sub-blocks of at most 255 bytes.
class GifCodes {
public:
    void put(int code) {
        bits_ |= static_cast<std::uint32_t>(code) << count_;
        for (count_ += codeBits; count_ >= 8; count_ -= 8, bits_ >>= 8)
            packed_.append(static_cast<char>(bits_ & 0xff));
    }
    QByteArray blocks() {
        if (count_ > 0)
            packed_.append(static_cast<char>(bits_ & 0xff));
        QByteArray out;
        for (qsizetype at = 0; at < packed_.size(); at += 255) {
            const QByteArray block = packed_.mid(at, 255);
            out.append(static_cast<char>(block.size()));
            out.append(block);
        }
        return out.append('\0');
    }
    static constexpr int codeBits = 9;

private:
    QByteArray packed_;
    std::uint32_t bits_ = 0;
    int count_ = 0;
};

} // namespace

QImage markedPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, width / 2, height, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
    painter.fillRect(0, 0, width / 5, height / 5, Qt::green);
    return picture;
}

QByteArray writtenByQt(const QImage& picture, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(picture))
        throw std::runtime_error("Qt cannot write " + std::string(format));
    return data;
}

// Every pixel is a literal code of 9 bits; a clear code every 254 pixels keeps a decoder's table
// from growing to 10-bit codes, so no compression is needed.
QByteArray writtenAsGif(const QImage& picture) {
    QByteArray out("GIF89a");
    appendLittle16(out, picture.width());
    appendLittle16(out, picture.height());
    out.append("\xf7\0\0", 3); // a global table of 256 colours
    QByteArray palette(256 * 3, '\0');
    palette[0] = '\xff';         // 0: red
    palette[1 * 3 + 2] = '\xff'; // 1: blue
    out.append(palette).append(',');
    out.append(QByteArray(4, '\0'));
    appendLittle16(out, picture.width());
    appendLittle16(out, picture.height());
    out.append('\0').append('\x08');
    constexpr int clear = 256;
    GifCodes codes;
    int sinceClear = 254;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x, ++sinceClear) {
            if (sinceClear == 254) {
                codes.put(clear);
                sinceClear = 0;
            }
            const QRgb pixel = picture.pixel(x, y);
            codes.put(qRed(pixel) >= qBlue(pixel) ? 0 : 1);
        }
    }
    codes.put(clear + 1);
    return out.append(codes.blocks()).append(';');
}

QByteArray withExifOrientation(const QByteArray& jpeg, int orientation) {
    // II byte order, one IFD entry: tag 0x0112, SHORT, count 1, the value.
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif.append(static_cast<char>(orientation)).append(QByteArray(3, '\0'));
    exif.append(QByteArray(4, '\0'));
    QByteArray segment("\xff\xe1");
    const qsizetype length = exif.size() + 2;
    segment.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xff));
    segment.append(exif);
    const qsizetype firstSegmentEnd =
        4 + ((static_cast<unsigned char>(jpeg[4]) << 8) | static_cast<unsigned char>(jpeg[5]));
    return QByteArray(jpeg).insert(firstSegmentEnd, segment);
}

QByteArray declaringJpegSize(QByteArray jpeg, int width, int height) {
    qsizetype at = 2;
    while (at + 9 < jpeg.size() && static_cast<unsigned char>(jpeg[at + 1]) != 0xc0)
        at += 2 + ((static_cast<unsigned char>(jpeg[at + 2]) << 8) |
                   static_cast<unsigned char>(jpeg[at + 3]));
    if (at + 9 >= jpeg.size())
        throw std::runtime_error("no baseline frame header");
    jpeg[at + 5] = static_cast<char>(height >> 8);
    jpeg[at + 6] = static_cast<char>(height & 0xff);
    jpeg[at + 7] = static_cast<char>(width >> 8);
    jpeg[at + 8] = static_cast<char>(width & 0xff);
    return jpeg;
}

std::vector<std::uint8_t> bytesOf(const QByteArray& data) {
    return {data.begin(), data.end()};
}

QByteArray dataOf(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

} // namespace tarvex::testing
