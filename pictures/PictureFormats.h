#pragma once

namespace tarvex::pictures {

// Adds the project's own picture formats (HEIC/HEIF, over libheif) to those Qt reads, for every
// QImageReader of the program; the first call does it, later calls do nothing. A program calls it
// once before it reads pictures (makeThumbnail() calls it too). It is what
// Q_IMPORT_PLUGIN(HeifPlugin) would do, without a static object in each file that says it.
void addPictureFormats();

} // namespace tarvex::pictures
