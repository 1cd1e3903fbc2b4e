#pragma once

#include <QByteArrayView>

namespace tarvex::pictures {

// How many leading bytes of a file heifBrandsMatch() needs at most.
inline constexpr qsizetype heifHeaderLength = 64;

// Whether `header`, the first bytes of a file, opens with an ISO `ftyp` box whose major brand or
// one of whose compatible brands is one of the HEIF image brands libheif reads: heic, heix,
// hevc, hevx, heim, heis, mif1 or msf1.
bool heifBrandsMatch(QByteArrayView header);

} // namespace tarvex::pictures
