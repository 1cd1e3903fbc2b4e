#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <vector>

namespace tarvex::testing {

// A picture whose left half is red and right half blue, with a green square in its top-left
// corner, so that a test can tell its sides and its corners apart after any rotation.
QImage markedPicture(int width, int height);

// The picture written by Qt in `format` ("jpeg", "png", "bmp", "webp", "tiff").
QByteArray writtenByQt(const QImage& picture, const char* format);

// The picture as a GIF of two colours, red and blue, each pixel the nearer of them.
QByteArray writtenAsGif(const QImage& picture);

// The JPEG with an EXIF block saying `orientation` (1..8) inserted after its first segment.
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation);

// The JPEG with its frame header changed to declare `width` x `height`.
QByteArray declaringJpegSize(QByteArray jpeg, int width, int height);

std::vector<std::uint8_t> bytesOf(const QByteArray& data);
QByteArray dataOf(const std::vector<std::uint8_t>& bytes);

} // namespace tarvex::testing
