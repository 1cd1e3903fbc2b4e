#include "ui/viewer/ContainerPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <optional>
#include <sodium.h>

namespace tarvex {

namespace {

// Decodes the picture of `bytes`, fitted into a square of `fitSide` unless that is 0.
QImage decoded(const std::vector<std::uint8_t>& bytes, int fitSide) {
    // The bytes are read where they are, not copied.
    const QByteArray held = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    qsizetype(bytes.size()));
    QBuffer buffer;
    buffer.setData(held);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // Set before reading, the JPEG decoder decodes at the nearest scale it has.
    if (fitSide > 0 && size.isValid() && (size.width() > fitSide || size.height() > fitSide))
        reader.setScaledSize(size.scaled(fitSide, fitSide, Qt::KeepAspectRatio));
    return reader.read();
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
    RestoredInMemory restored;
    std::optional<ProtectedParameters> missing;
    const KeyProvider keys = [&](const ProtectedParameters& parameters) {
        const ProtectedKey* key = request.key(parameters);
        if (key == nullptr)
            missing = parameters;
        return key;
    };
    const std::string next;
    const RestoreJob job{
        .path = request.path,
        .next = next,
        .files = request.files,
        .readers = request.readers,
        .keys = keys,
        .noKey = [] { return FileOutcome::leftOut(LeftOutReason::NoMemoryForKey); },
        .stop = request.stop,
        .restoreAnyway = {}};
    try {
        const FileOutcome outcome = restoreContainer(job, restored);
        if (missing) {
            picture.problem = PictureProblem::NeedsKey;
            picture.parameters = *missing;
        } else if (outcome.kind != FileOutcome::Kind::Done) {
            picture.problem = problemOf(outcome);
            picture.error = outcome.error;
        }
    } catch (const FileError& error) {
        picture.problem = PictureProblem::Unreadable;
        picture.error = error.reason();
    }
    if (picture.problem == PictureProblem::None) {
        picture.image = decoded(restored.bytes, request.fitSide);
        if (picture.image.isNull())
            picture.problem = PictureProblem::NotImage;
        if (restored.source)
            picture.recordedName = restored.source->name;
    }
    sodium_memzero(restored.bytes.data(), restored.bytes.size());
    return picture;
}

} // namespace tarvex
