#include "ui/viewer/FirstPiece.h"

#include "container/ContainerReader.h"

namespace tarvex {

FirstPiece firstPieceOf(const std::string& path, const ProtectedParameters& parameters,
                        const ProtectedKey& key, FileSystem& files, ContainerReaders& readers) {
    const FileEnd end = files.readFileEnd(path, containerEndBytes);
    if (classAtEnd(end.bytes, end.wholeFile) != ContainerClass::Protected)
        return FirstPiece::Damaged;
    ContainerReading& reading = readers.of(ContainerClass::Protected);
    reading.expect(end.bytes, end.wholeFile);
    // A file that has changed to a container of other parameters gets no key.
    reading.start(
        [&](const ProtectedParameters& asked) { return asked == parameters ? &key : nullptr; }, {},
        {}, ReadingExtent::FirstPiece);
    files.readFile(path, "", {}, [&reading](std::span<const std::uint8_t> piece) {
        return reading.append(piece);
    });
    switch (reading.finish()) {
    case ReadVerdict::FirstPieceOpened:
    case ReadVerdict::Restored:
        return FirstPiece::Opened;
    case ReadVerdict::NotOpened:
        return FirstPiece::NotOpened;
    default:
        return FirstPiece::Damaged;
    }
}

} // namespace tarvex
