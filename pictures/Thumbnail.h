#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarvex::pictures {

// The bytes of a JPEG thumbnail of the picture held in `bytes`: upright (the picture's EXIF
// orientation applied, none written), its longer side at most thumbnailSide pixels and never
// larger than the picture. Nothing when the bytes are no picture that Qt reads, or when the
// picture declares more pixels than PictureBounds.h allows. Safe to call from several threads.
std::optional<std::vector<std::uint8_t>> makeThumbnail(std::span<const std::uint8_t> bytes);

} // namespace tarvex::pictures
