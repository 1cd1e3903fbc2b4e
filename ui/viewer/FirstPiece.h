#pragma once

#include "batch/Restore.h"
#include "files/FileSystem.h"
#include "protected/ProtectedKey.h"

#include <string>

namespace tarvex {

// What the first piece of a Protected container says of a key.
enum class FirstPiece {
    Opened,    // the key opens it: the passphrase is the container's
    NotOpened, // it does not open: a wrong passphrase (or a damaged first piece)
    Damaged,   // the container is no Protected one of `parameters`, or its text is wrong
};

// Reads the Protected container `path` up to its first piece, and tries `key`, derived for
// `parameters`, on it. Nothing of the source is kept. Throws FileError.
FirstPiece firstPieceOf(const std::string& path, const ProtectedParameters& parameters,
                        const ProtectedKey& key, FileSystem& files, ContainerReaders& readers);

} // namespace tarvex
