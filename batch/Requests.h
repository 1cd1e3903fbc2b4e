#pragma once

#include "batch/Classes.h"
#include "batch/RunFiles.h"
#include "protected/ProtectedKey.h"
#include "protected/Secret.h"
#include "protected/Sodium.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// The bytes of a small picture of the picture held in `bytes`, or nothing for what is no picture
// it can read. The runs know no pictures: the front end that asks for a run gives its maker.
using ThumbnailMaker =
    std::function<std::optional<std::vector<std::uint8_t>>(std::span<const std::uint8_t> bytes)>;

// What an encrypt run is asked to do. The front end gathers it: the files chosen, the password
// typed (which the run checks by the rule of its class, and asks again for a class that
// enciphers), the choices of the window or the command line, the output folder's name in the
// user's language. A front end keeps the passphrase in a Secret, and wipes its own copies.
struct EncryptRequest {
    std::vector<std::string> files; // full paths of one folder, in the run's order
    // Folders chosen whole: every file under each is taken, its output under the folder's output
    // folder in the folders it is in (see gatherFiles).
    std::vector<std::string> trees{};
    // The names of the program's output folders, in every language: never taken in a tree.
    std::vector<std::string> ownFolderNames{};
    std::string_view password; // valid for the whole run
    ContainerClass containerClass = ContainerClass::Standard;
    bool appendSuffix = false; // "abc.JPG" gives "abc.JPGE", in a class without a file type
    // Names that say nothing of their sources, in a class whose containers record their names.
    bool hideNames = false;
    std::string outputFolderName;
    // The folder chosen for the containers, which then go straight into it rather than into an
    // output folder beside their sources; empty for none. No file that it holds is replaced.
    std::string into{};
    // The cost of the key of an enciphering class; tests lower it. A reader honours the cost
    // that a container names.
    ProtectedCost cost = protectedWriteCost;
    // Makes the thumbnail that a container of a class that records its source seals beside it;
    // none when empty. Called on the run's thread, once for each source read whole.
    ThumbnailMaker thumbnail{};
    // In a class that records its sources: each original goes to the user's Trash once its
    // container, made durable and read back from the disk, restores exactly what was read of it.
    bool removeOriginals = false;

    OutputPlace outputPlace() const { return {outputFolderName, into}; }
};

// What a decrypt run is asked to do.
struct DecryptRequest {
    std::vector<std::string> files;   // full paths of one folder, in the run's order
    std::vector<std::string> trees{}; // as for EncryptRequest
    std::vector<std::string> ownFolderNames{};
    std::string_view password; // valid for the whole run
    bool stripSuffix = false;  // drop a trailing "E" from the restored names
    std::string outputFolderName;
    // The folder chosen for the restored files, as for EncryptRequest.
    std::string into{};

    OutputPlace outputPlace() const { return {outputFolderName, into}; }
};

} // namespace tarvex
