#include "viewer/ContainerPicture.h"

#include "pictures/PictureBounds.h"
#include "viewer/DecodeCost.h"

#include <QBuffer>
#include <QImageReader>
#include <mutex>
#include <optional>

namespace tarvex {

namespace {

// Decodes the picture of `bytes` into `picture`, fitted into a square of `fitSide` unless that is
// 0; a picture whose header declares more than a decoding may take is not decoded at all.
void decode(std::span<const std::uint8_t> bytes, int fitSide, ContainerPicture& picture) {
    // Qt's own bound on the picture that a decoder makes, for every reader of the process: a
    // second guard, should a decoder make a larger one than its header declared.
    static std::once_flag limited;
    std::call_once(limited,
                   [] { QImageReader::setAllocationLimit(int(pictureAllowance / mebibyte)); });
    // The bytes are read where they are, not copied.
    const QByteArray held = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    qsizetype(bytes.size()));
    QBuffer buffer;
    buffer.setData(held);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        picture.problem = PictureProblem::NotImage;
        return;
    }
    const QSize size = reader.size();
    // Set before reading, the JPEG decoder decodes at the nearest scale it has.
    if (fitSide > 0 && size.isValid() && (size.width() > fitSide || size.height() > fitSide))
        reader.setScaledSize(size.scaled(fitSide, fitSide, Qt::KeepAspectRatio));
    const std::optional<qint64> cost = decodeCost(reader, bytes, reader.scaledSize());
    if (!cost || *cost > pictureAllowance) {
        picture.problem = PictureProblem::TooLarge;
        return;
    }
    const DecodeShare share(*cost);
    picture.image = reader.read();
    if (picture.image.isNull())
        picture.problem = PictureProblem::NotImage;
}

} // namespace

PictureProblem problemOf(const FileOutcome& outcome) {
    if (outcome.kind == FileOutcome::Kind::Stopped)
        return PictureProblem::Stopped;
    switch (outcome.reason) {
    case LeftOutReason::NotContainer:
        return PictureProblem::NotContainer;
    case LeftOutReason::NotOpened:
        return PictureProblem::NotOpened;
    case LeftOutReason::Unreadable:
    case LeftOutReason::NotRegular:
        return PictureProblem::Unreadable;
    case LeftOutReason::Changed:
        return PictureProblem::Changed;
    default:
        return PictureProblem::Damaged;
    }
}

ContainerPicture readPicture(const PictureRequest& request) {
    ContainerPicture picture;
    // A tile takes the thumbnail that a container seals, when it has one that is a picture.
    const bool thumbnailWillDo = request.fitSide > 0 && request.fitSide <= pictures::thumbnailSide;
    const ReadInMemory read = readInMemory({.path = request.path,
                                            .files = request.files,
                                            .readers = request.readers,
                                            .key = request.key,
                                            .stop = request.stop,
                                            .thumbnailWillDo = thumbnailWillDo},
                                           [&](std::span<const std::uint8_t> bytes) {
                                               picture.problem = PictureProblem::None;
                                               decode(bytes, request.fitSide, picture);
                                               return picture.problem == PictureProblem::None;
                                           });
    if (read.missingKey) {
        picture.problem = PictureProblem::NeedsKey;
        picture.parameters = *read.missingKey;
    } else if (read.outcome.kind != FileOutcome::Kind::Done) {
        picture.problem = problemOf(read.outcome);
        picture.error = read.outcome.error;
    } else if (read.plain) {
        picture.plain = picture.problem != PictureProblem::NotImage;
        if (!picture.plain)
            picture.problem = PictureProblem::NotContainer;
    }
    picture.recordedName = read.recordedName;
    return picture;
}

} // namespace tarvex
