#pragma once

#include "batch/Viewing.h"

#include <QImage>
#include <functional>
#include <string>
#include <system_error>

namespace tarvex {

// Why a container shows no picture.
enum class PictureProblem {
    None,
    NotContainer, // it ends in no marker of a class, and is no picture either
    Damaged,      // it is no container of its class, or larger than any
    NotOpened,    // a piece does not open with the key: a wrong passphrase or damage
    NeedsKey,     // it is Protected, and the key of its parameters is not there yet
    NotImage,     // what it holds is no picture that Qt reads
    TooLarge,     // its picture declares more than a decoding may take (see DecodeCost.h)
    Unreadable,   // the file cannot be read: the error says why
    Changed,      // it kept changing while it was read
    Stopped,      // the reading was given up
};

// What the viewer asks of one container.
struct PictureRequest {
    const std::string& path;
    // The picture fitted into a square of this side (never enlarged), or whole for 0.
    int fitSide = 0;
    FileSystem& files;
    ContainerReaders& readers;
    // The key of a container's parameters, or null while there is none.
    std::function<const ProtectedKey*(const ProtectedParameters&)> key;
    // Asked while the container is read: true gives the reading up.
    std::function<bool()> stop;
};

// The picture of a container, turned upright by its EXIF orientation, or why there is none.
struct ContainerPicture {
    QImage image;
    // The name that the container records of its source; empty when it records none.
    std::string recordedName;
    // Whether the file is no container but a picture of its own, in the clear.
    bool plain = false;
    PictureProblem problem = PictureProblem::None;
    std::error_code error;            // for Unreadable
    ProtectedParameters parameters{}; // for NeedsKey
};

// Why the restoring of a container that did not end done shows no picture.
PictureProblem problemOf(const FileOutcome& outcome);

// Restores the container of `request.path` into memory (nothing goes to a file) and decodes
// its picture from there; the restored bytes are wiped once decoded. A file that is no container
// is decoded as it is, as a plain picture. JPEG pictures scale while they are decoded; a picture
// is decoded only within the memory that DecodeCost.h allows. Safe to call on several threads at
// once, each with its own file system and readers.
ContainerPicture readPicture(const PictureRequest& request);

} // namespace tarvex
