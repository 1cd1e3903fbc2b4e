#pragma once

#include <cstdint>

namespace tarvex::pictures {

// The longer side of a thumbnail, in pixels.
inline constexpr int thumbnailSide = 256;

// Pictures declaring more pixels than these get no thumbnail. A JPEG decodes at an eighth of its
// size when a thumbnail is asked for, so 200 million pixels (the largest phone sensors) cost
// about 3 million decoded; other formats decode whole, and 50 million pixels covers the 48
// megapixel pictures of phones at about 200 MB of pixels.
inline constexpr std::int64_t jpegPixelBound = 200'000'000;
inline constexpr std::int64_t otherPixelBound = 50'000'000;

// What one decode may allocate, in MiB, whatever a header declares: 50 million pixels of four
// bytes fit in it.
inline constexpr int decodeAllocationLimitMiB = 256;

// The HEIF reader refuses pictures declaring more pixels than this, or a side longer than
// heifSideBound, before libheif allocates anything for them.
inline constexpr std::int64_t heifPixelBound = otherPixelBound;
inline constexpr int heifSideBound = 16384;

} // namespace tarvex::pictures
