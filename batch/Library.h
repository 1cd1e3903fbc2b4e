#pragma once

#include "container/SourceRecord.h"
#include "protected/ProtectedKey.h"

#include <map>
#include <optional>
#include <string>

namespace tarvex {

// A container that an output folder of a Protected encrypt holds already, and what it records of
// its source.
struct LibraryEntry {
    std::string container;
    SourceRecord source;
};

// What the output folders of a Protected encrypt hold already: a library that the run adds to.
struct Library {
    // The salt and costs of the first container that the passphrase opened: the run's containers
    // take them, so that the whole library is read with one key.
    std::optional<ProtectedParameters> parameters;
    // Whether a container was found that the passphrase does not open.
    bool othersFound = false;
    // The containers that the passphrase opened, by their output folder and recorded path.
    std::map<std::pair<std::string, std::string>, LibraryEntry> entries;

    // The container of the source recorded as `path` below the output folder `root`; null for
    // none.
    const LibraryEntry* find(const std::string& root, const std::string& path) const {
        const auto found = entries.find({root, path});
        return found == entries.end() ? nullptr : &found->second;
    }
};

} // namespace tarvex
