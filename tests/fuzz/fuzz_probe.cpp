// The probe on any file content, whole and a byte at a time alike. The input's first byte gives
// the length (0 to 10) of the typed password that follows it; the rest is the file. A container
// that the writer makes of the file's bytes with a legal password is always found and always
// matches that password, also after a byte order mark and trailing blanks were added to it.
//
// A Protected container is found by its marker, and its password matches when its first piece
// opens: the first piece of any file, whole and a byte at a time, gives one verdict; that of a
// Protected container of the file's bytes opens with its key and with no other (one key each,
// derived once at the lowest cost).
#include "container/ContainerWriter.h"
#include "container/Probe.h"
#include "passwords/PassphraseKey.h"
#include "passwords/PasswordRules.h"
#include "protected/ProtectedReader.h"
#include "protected/ProtectedWriter.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void expectFoundAndMatching(std::string_view text, std::string_view password) {
    const tarvex::ProbeResult probe = tarvex::probeContainer(text, password);
    if (!probe.containerFound || !probe.passwordMatches) {
        std::abort();
    }
}

const tarvex::ProtectedParameters parameters{{'p', 'r', 'o', 'b', 'e'}, {1, 8192}};

const tarvex::ProtectedKey& keyOf(std::string_view password) {
    static const tarvex::ProtectedKey right = tarvex::keyOfPassphrase("right1", parameters);
    static const tarvex::ProtectedKey wrong = tarvex::keyOfPassphrase("wrong1", parameters);
    return password == "right1" ? right : wrong;
}

// The verdict on the first piece of `file` with the key of `password`, read in pieces of `size`.
tarvex::ProtectedVerdict firstPiece(std::string_view file, std::string_view password,
                                    std::size_t size) {
    tarvex::ProtectedReader reader;
    reader.start([password](const tarvex::ProtectedParameters&) { return &keyOf(password); }, {},
                 {}, tarvex::ReadingExtent::FirstPiece);
    for (std::size_t at = 0; at < file.size(); at += size) {
        if (!reader.append(bytesOf(file.substr(at, size)))) {
            break;
        }
    }
    return reader.finish();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = std::min<std::size_t>(input.size(), data[0] % 11);
    const std::string_view password = input.substr(0, split);
    const std::string_view file = input.substr(split);
    const tarvex::ProbeResult whole = tarvex::probeContainer(file, password);
    tarvex::ContainerProbe probe;
    for (std::size_t at = 0; at < file.size(); ++at) {
        if (!probe.append({reinterpret_cast<const std::uint8_t*>(file.data()) + at, 1})) {
            break;
        }
    }
    const tarvex::ProbeResult inPieces = probe.result(password);
    if (inPieces.containerFound != whole.containerFound ||
        inPieces.passwordMatches != whole.passwordMatches) {
        std::abort();
    }

    if (firstPiece(file, "right1", file.size() + 1) != firstPiece(file, "right1", 1)) {
        std::abort();
    }
    const std::string sealed = tarvex::buildProtected(bytesOf(file), keyOf("right1"), parameters,
                                                      {"probe.png", 0, file.size()});
    if (tarvex::probeContainer(sealed, "right1").level != tarvex::ContainerClass::Protected ||
        firstPiece(sealed, "right1", 4093) != tarvex::ProtectedVerdict::FirstPieceOpened ||
        firstPiece(sealed, "wrong1", 4093) != tarvex::ProtectedVerdict::NotOpened) {
        std::abort();
    }

    if (tarvex::checkPassword(tarvex::ContainerClass::Standard, password).problem !=
        tarvex::PasswordProblem::None) {
        return 0;
    }
    for (auto level : {tarvex::ContainerClass::Standard, tarvex::ContainerClass::HighLevel}) {
        tarvex::KeyGenerator generator;
        const std::string container = tarvex::buildContainer(bytesOf(file), level, password,
                                                             generator, [](std::string_view) {});
        expectFoundAndMatching(container, password);
        std::string damaged = "\xEF\xBB\xBF" + container;
        damaged.insert(damaged.size() - 2, " \t");
        expectFoundAndMatching(damaged, password);
    }
    return 0;
}
