#include "pictures/Thumbnail.h"

#include "HeicPictures.h"
#include "MadePictures.h"

#include <QBuffer>
#include <QImageReader>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace tarvex::pictures {
namespace {

using testing::bytesOf;
using testing::dataOf;
using testing::markedPicture;

struct Read {
    QImage image;
    QByteArray format;
    QImageIOHandler::Transformations transformation;
};

// The thumbnail as any reader sees it, its own orientation not applied.
Read readBack(const std::vector<std::uint8_t>& thumbnail) {
    QBuffer buffer;
    buffer.setData(dataOf(thumbnail));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    const QImageIOHandler::Transformations transformation = reader.transformation();
    return Read{reader.read(), format, transformation};
}

bool near(QRgb pixel, Qt::GlobalColor expected) {
    const QColor want(expected);
    return std::abs(qRed(pixel) - want.red()) < 60 && std::abs(qGreen(pixel) - want.green()) < 60 &&
           std::abs(qBlue(pixel) - want.blue()) < 60;
}

struct FormatCase {
    const char* name;
    friend void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.name; }
    std::function<QByteArray(const QImage&)> write;
    bool cornerMarked; // the GIF has only red and blue
};

class ThumbnailOfFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ThumbnailOfFormat, IsAnUprightJpegOfAtMost256Pixels) {
    const auto thumbnail = makeThumbnail(bytesOf(GetParam().write(markedPicture(600, 300))));
    ASSERT_TRUE(thumbnail.has_value());
    const Read read = readBack(*thumbnail);
    ASSERT_FALSE(read.image.isNull());
    EXPECT_EQ(read.format, "jpeg");
    EXPECT_EQ(read.image.size(), QSize(256, 128));
    EXPECT_TRUE(near(read.image.pixel(80, 100), Qt::red));
    EXPECT_TRUE(near(read.image.pixel(200, 64), Qt::blue));
    if (GetParam().cornerMarked) {
        EXPECT_TRUE(near(read.image.pixel(10, 10), Qt::green));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ThumbnailOfFormat,
    ::testing::Values(
        FormatCase{"jpeg", [](const QImage& p) { return testing::writtenByQt(p, "jpeg"); }, true},
        FormatCase{"png", [](const QImage& p) { return testing::writtenByQt(p, "png"); }, true},
        FormatCase{"bmp", [](const QImage& p) { return testing::writtenByQt(p, "bmp"); }, true},
        FormatCase{"webp", [](const QImage& p) { return testing::writtenByQt(p, "webp"); }, true},
        FormatCase{"tiff", [](const QImage& p) { return testing::writtenByQt(p, "tiff"); }, true},
        FormatCase{"gif", testing::writtenAsGif, false},
        FormatCase{"heic", [](const QImage& p) { return testing::writtenAsHeic(p); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct TurnedCase {
    const char* name;
    friend void PrintTo(const TurnedCase& c, std::ostream* out) { *out << c.name; }
    std::function<QByteArray(const QImage&)> write;
};

class ThumbnailOfTurnedPicture : public ::testing::TestWithParam<TurnedCase> {};

// Orientation 6: the stored picture is turned a quarter clockwise to be shown.
TEST_P(ThumbnailOfTurnedPicture, IsTurnedUprightAndCarriesNoOrientation) {
    const auto thumbnail = makeThumbnail(bytesOf(GetParam().write(markedPicture(400, 200))));
    ASSERT_TRUE(thumbnail.has_value());
    const Read read = readBack(*thumbnail);
    EXPECT_EQ(read.image.size(), QSize(128, 256));
    EXPECT_EQ(read.transformation, QImageIOHandler::TransformationNone);
    EXPECT_TRUE(near(read.image.pixel(118, 10), Qt::green));
    EXPECT_TRUE(near(read.image.pixel(64, 60), Qt::red));
    EXPECT_TRUE(near(read.image.pixel(64, 200), Qt::blue));
}

INSTANTIATE_TEST_SUITE_P(Orientation6, ThumbnailOfTurnedPicture,
                         ::testing::Values(TurnedCase{"jpeg_exif",
                                                      [](const QImage& p) {
                                                          return testing::withExifOrientation(
                                                              testing::writtenByQt(p, "jpeg"), 6);
                                                      }},
                                           TurnedCase{"heic_rotation",
                                                      [](const QImage& p) {
                                                          return testing::writtenAsHeic(p, 6);
                                                      }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Thumbnail, OfASmallPictureKeepsItsSize) {
    const auto thumbnail =
        makeThumbnail(bytesOf(testing::writtenByQt(markedPicture(100, 50), "png")));
    ASSERT_TRUE(thumbnail.has_value());
    EXPECT_EQ(readBack(*thumbnail).image.size(), QSize(100, 50));
}

// Threads making thumbnails of the same pictures at once all get what one thread alone gets.
TEST(Thumbnail, IsTheSameMadeFromSeveralThreadsAtOnce) {
    const std::vector<std::vector<std::uint8_t>> inputs = {
        bytesOf(testing::writtenAsHeic(markedPicture(300, 200))),
        bytesOf(testing::writtenByQt(markedPicture(300, 200), "jpeg"))};
    std::vector<std::optional<std::vector<std::uint8_t>>> alone;
    for (const auto& input : inputs)
        alone.push_back(makeThumbnail(input));
    std::vector<std::vector<std::optional<std::vector<std::uint8_t>>>> made(4);
    std::vector<std::thread> threads;
    for (auto& own : made) {
        threads.emplace_back([&inputs, &own] {
            for (int round = 0; round < 3; ++round) {
                for (const auto& input : inputs)
                    own.push_back(makeThumbnail(input));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (const auto& own : made) {
        ASSERT_EQ(own.size(), 3 * inputs.size());
        for (std::size_t i = 0; i < own.size(); ++i)
            EXPECT_EQ(own[i], alone[i % inputs.size()]);
    }
}

QByteArray randomBytes(qsizetype size) {
    std::mt19937 random(7);
    QByteArray bytes(size, '\0');
    for (auto& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

struct RefusedCase {
    const char* name;
    friend void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }
    std::function<QByteArray()> make;
};

class NoThumbnail : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(NoThumbnail, IsMade) {
    EXPECT_FALSE(makeThumbnail(bytesOf(GetParam().make())).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Refused, NoThumbnail,
    ::testing::Values(
        RefusedCase{"empty", [] { return QByteArray(); }},
        RefusedCase{"random_bytes", [] { return randomBytes(4096); }},
        RefusedCase{"heif_brand_then_random",
                    [] {
                        return QByteArray("\0\0\0\x18"
                                          "ftypheic\0\0\0\0mif1heic",
                                          24) +
                               randomBytes(4096);
                    }},
        RefusedCase{"jpeg_declaring_45000_square",
                    [] {
                        return testing::declaringJpegSize(
                            testing::writtenByQt(markedPicture(64, 64), "jpeg"), 45000, 45000);
                    }},
        RefusedCase{"heic_declaring_40000_square",
                    [] {
                        return testing::declaringHeifSize(
                            testing::writtenAsHeic(markedPicture(64, 64)), 40000, 40000);
                    }},
        // 64 million pixels: more than a format that decodes whole may declare.
        RefusedCase{"bmp_declaring_8000_square",
                    [] {
                        QByteArray bmp = testing::writtenByQt(markedPicture(64, 64), "bmp");
                        const QByteArray side("\x40\x1f\0\0", 4); // 8000, little-endian
                        return bmp.replace(18, 4, side).replace(22, 4, side);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tarvex::pictures
