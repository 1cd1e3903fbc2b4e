#include "HeicPictures.h"
#include "MadePictures.h"
#include "pictures/HeifBrands.h"
#include "pictures/PictureFormats.h"

#include <QBuffer>
#include <QImageReader>
#include <gtest/gtest.h>

namespace tarvex::pictures {
namespace {

// An ftyp box of `size` bytes declared, with its major brand and compatible brands.
QByteArray ftyp(quint32 size, const QByteArray& major, const QByteArray& compatible) {
    QByteArray box(4, '\0');
    for (int i = 0; i < 4; ++i)
        box[i] = static_cast<char>((size >> (24 - 8 * i)) & 0xff);
    return box + "ftyp" + major + QByteArray(4, '\0') + compatible;
}

struct BrandCase {
    const char* name;
    friend void PrintTo(const BrandCase& c, std::ostream* out) { *out << c.name; }
    QByteArray header;
    bool heif;
};

class HeifBrands : public ::testing::TestWithParam<BrandCase> {};

TEST_P(HeifBrands, AreRecognised) {
    EXPECT_EQ(heifBrandsMatch(GetParam().header), GetParam().heif);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HeifBrands,
    ::testing::Values(BrandCase{"major_heic", ftyp(24, "heic", "mif1heic"), true},
                      BrandCase{"major_heix", ftyp(16, "heix", ""), true},
                      BrandCase{"major_msf1", ftyp(16, "msf1", ""), true},
                      BrandCase{"compatible_mif1", ftyp(24, "isom", "mp41mif1"), true},
                      BrandCase{"compatible_heis", ftyp(20, "avif", "heis"), true},
                      BrandCase{"video_only", ftyp(24, "mp42", "isommp41"), false},
                      BrandCase{"brand_past_the_box", ftyp(20, "isom", "mp41heic"), false},
                      BrandCase{"box_too_small", ftyp(12, "heic", ""), false},
                      BrandCase{"not_ftyp", QByteArray("\0\0\0\x18moovheic\0\0\0\0mif1", 20),
                                false},
                      BrandCase{"cut_short",
                                QByteArray("\0\0\0\x18"
                                           "ftyphe",
                                           10),
                                false}),
    [](const auto& info) { return std::string(info.param.name); });

class HeifReader : public ::testing::Test {
protected:
    void SetUp() override { addPictureFormats(); }

    static QImageReader* readerOf(const QByteArray& data, QBuffer& buffer) {
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        return new QImageReader(&buffer);
    }
};

TEST_F(HeifReader, KnowsTheFormatByContentAndTheSizeBeforeDecoding) {
    QBuffer buffer;
    const std::unique_ptr<QImageReader> reader(
        readerOf(testing::writtenAsHeic(testing::markedPicture(120, 80)), buffer));
    EXPECT_EQ(reader->format(), "heic");
    EXPECT_EQ(reader->size(), QSize(120, 80));
    const QImage image = reader->read();
    EXPECT_EQ(image.size(), QSize(120, 80));
}

TEST_F(HeifReader, DeclaresTheSizeOfThePictureAsShown) {
    QBuffer buffer;
    const std::unique_ptr<QImageReader> reader(
        readerOf(testing::writtenAsHeic(testing::markedPicture(120, 80), 8), buffer));
    EXPECT_EQ(reader->size(), QSize(80, 120));
    EXPECT_EQ(reader->read().size(), QSize(80, 120));
}

TEST_F(HeifReader, RefusesAPictureDeclaringTooManyPixels) {
    QBuffer buffer;
    const std::unique_ptr<QImageReader> reader(
        readerOf(testing::declaringHeifSize(testing::writtenAsHeic(testing::markedPicture(64, 64)),
                                            9000, 9000),
                 buffer));
    EXPECT_FALSE(reader->size().isValid());
    EXPECT_TRUE(reader->read().isNull());
}

} // namespace
} // namespace tarvex::pictures
