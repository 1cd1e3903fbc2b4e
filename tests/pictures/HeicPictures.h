#pragma once

#include <QByteArray>
#include <QImage>

namespace tarvex::testing {

// The picture encoded by libheif as HEIC, stored as it is and marked with `orientation` (an EXIF
// orientation, 1..8), which libheif writes as rotation and mirroring boxes.
QByteArray writtenAsHeic(const QImage& picture, int orientation = 1);

// The HEIC file with the size box of its images changed to declare `width` x `height`.
QByteArray declaringHeifSize(QByteArray heic, quint32 width, quint32 height);

} // namespace tarvex::testing
