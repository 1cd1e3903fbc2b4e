#include "pictures/HeifBrands.h"

#include <algorithm>
#include <array>

namespace tarvex::pictures {

namespace {

constexpr std::array<QByteArrayView, 8> imageBrands = {"heic", "heix", "hevc", "hevx",
                                                       "heim", "heis", "mif1", "msf1"};

quint32 bigEndian32(QByteArrayView bytes) {
    quint32 value = 0;
    for (qsizetype i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

bool isImageBrand(QByteArrayView brand) {
    return std::find(imageBrands.begin(), imageBrands.end(), brand) != imageBrands.end();
}

} // namespace

bool heifBrandsMatch(QByteArrayView header) {
    // size (4), "ftyp", major brand (4), minor version (4), compatible brands (4 each).
    if (header.size() < 16 || header.sliced(4, 4) != "ftyp")
        return false;
    const quint32 boxSize = bigEndian32(header);
    if (boxSize < 16 || boxSize % 4 != 0)
        return false;
    if (isImageBrand(header.sliced(8, 4)))
        return true;
    const qsizetype end = std::min<qsizetype>(boxSize, header.size());
    for (qsizetype at = 16; at + 4 <= end; at += 4) {
        if (isImageBrand(header.sliced(at, 4)))
            return true;
    }
    return false;
}

} // namespace tarvex::pictures
