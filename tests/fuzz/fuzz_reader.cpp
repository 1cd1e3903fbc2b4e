// The container reader on any file content: no crash, no read outside the text, LF line ends read
// as CR LF do, and the file read in pieces (its end first, as a run reads it) gives what the whole
// file gives. A container the writer made from the fuzzed bytes reads back to them, also with its
// line ends changed to LF or CR, with a byte order mark in front and with blanks at its line ends.
//
// The Protected reader likewise, with one key for every file (derived once, at the lowest cost):
// whole and in pieces it gives the same verdict, record and bytes; it hands on no bytes but whole
// pieces that opened, and a file that it restores opens the same, record and bytes, in a plain
// reader of the cleaned text; read for its first piece only, it opens that piece alone. A
// Protected container of the fuzzed bytes, recorded under a name made of them, reads back to them
// and its record in all the forms above.
#include "ReferenceContainer.h"
#include "ReferenceProtected.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "passwords/PassphraseKey.h"
#include "protected/ProtectedReader.h"
#include "protected/ProtectedWriter.h"

#include <cstdlib>
#include <string_view>

namespace {

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from)) {
        result.append(text.substr(0, at)).append(to);
        text.remove_prefix(at + from.size());
    }
    return result.append(text);
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The file read as a run reads it: its last 16 bytes first, then pieces of 7 bytes.
std::vector<std::uint8_t> readInPieces(std::string_view file) {
    tarvex::ContainerReader reader;
    const std::size_t endBytes = std::min<std::size_t>(file.size(), 16);
    reader.expect(bytesOf(file.substr(file.size() - endBytes)), endBytes == file.size());
    std::vector<std::uint8_t> restored;
    for (int reading = 0; reading < 2; ++reading) {
        restored.clear();
        reader.start([&restored](std::span<const std::uint8_t> bytes) {
            restored.insert(restored.end(), bytes.begin(), bytes.end());
        });
        for (std::size_t at = 0; at < file.size() && reader.append(bytesOf(file.substr(at, 7)));
             at += 7) {
        }
        if (reader.finish()) {
            return restored;
        }
    }
    std::abort(); // a second reading always goes by the end the first one found
}

const tarvex::ProtectedParameters& fuzzParameters() {
    static const tarvex::ProtectedParameters parameters{{'f', 'u', 'z', 'z'}, {1, 8192}};
    return parameters;
}

const tarvex::ProtectedKey& fuzzKey() {
    static const tarvex::ProtectedKey key = tarvex::keyOfPassphrase("pass word", fuzzParameters());
    return key;
}

struct ProtectedRead {
    tarvex::ProtectedVerdict verdict;
    std::optional<tarvex::SourceRecord> record;
    std::vector<std::uint8_t> restored;
    int version = 0;
    bool operator==(const ProtectedRead&) const = default;
};

// The file read by the Protected reader in pieces of `pieceSize` bytes, with the fuzzer's key.
ProtectedRead readProtectedInPieces(std::string_view file, std::size_t pieceSize,
                                    tarvex::ReadingExtent extent = tarvex::ReadingExtent::Whole) {
    tarvex::ProtectedReader reader;
    ProtectedRead read{};
    reader.start([](const tarvex::ProtectedParameters&) { return &fuzzKey(); },
                 [&read](const tarvex::SourceRecord& record, std::span<const std::uint8_t>) {
                     // Once, before any byte.
                     if (read.record || !read.restored.empty()) {
                         std::abort();
                     }
                     read.record = record;
                 },
                 [&read](std::span<const std::uint8_t> bytes) {
                     read.restored.insert(read.restored.end(), bytes.begin(), bytes.end());
                 },
                 extent);
    for (std::size_t at = 0; at < file.size() && reader.append(bytesOf(file.substr(at, pieceSize)));
         at += pieceSize) {
    }
    read.verdict = reader.finish();
    read.version = reader.version();
    return read;
}

// What a plain reader makes of the file: its text cleaned and joined, which must end in the
// marker, the Base64 before it decoded strictly by libsodium, and the payload opened with a key
// derived on its own.
std::optional<tarvex::test::ReferenceOpened> plainlyOpened(std::string_view file) {
    static const tarvex::test::ReferenceKey key =
        tarvex::test::referenceKey("pass word", tarvex::protectedHead(fuzzParameters()));
    std::string text = tarvex::test::referenceCleanText(file);
    text = text.substr(0, text.find('\x1A'));
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    const auto payload = tarvex::test::referencePayloadOf(text + "\r\n");
    if (!payload) {
        return std::nullopt;
    }
    return tarvex::test::referenceOpenPayload(*payload, key);
}

// Whether the plain reader finds what the program's reader restored.
bool openedAlike(const std::optional<tarvex::test::ReferenceOpened>& plain,
                 const ProtectedRead& read) {
    if (!plain || plain->version != read.version || plain->source != read.restored ||
        plain->record.has_value() != read.record.has_value()) {
        return false;
    }
    return !plain->record || (plain->record->path == read.record->path &&
                              plain->record->modifiedNs == read.record->modifiedNs &&
                              plain->record->size == read.record->size);
}

// Whether two readings of one file agree. A version 1 file of the fuzzer's sizes is one piece,
// opened once the text has ended whatever the feeding, so all of it agrees. Version 2's record
// opens as soon as it is decoded, before the text after it is checked: a file that does not
// open may have had its head read and its record given, or be found damaged rather than not
// opened, in one feeding and not in another; only a restored file is restored alike in every
// feeding.
bool agree(const ProtectedRead& one, const ProtectedRead& other) {
    if (one.version == 1 || one.verdict == tarvex::ProtectedVerdict::Restored) {
        return one == other;
    }
    return other.verdict != tarvex::ProtectedVerdict::Restored && one.restored == other.restored;
}

void checkProtected(std::string_view file) {
    const ProtectedRead whole = readProtectedInPieces(file, file.size() + 1);
    if (!agree(whole, readProtectedInPieces(file, 7)) ||
        !agree(whole, readProtectedInPieces(replaceAll(file, "\r\n", "\n"), 5))) {
        std::abort();
    }
    // Only whole pieces go out before the verdict; a restored file opens plainly too, and its
    // first piece alone is its record (versions 2 and 3) or the start of its source (version 1).
    if (whole.verdict != tarvex::ProtectedVerdict::Restored) {
        if (whole.restored.size() % tarvex::protectedPieceBytes != 0) {
            std::abort();
        }
        return;
    }
    ProtectedRead first = whole;
    first.verdict = tarvex::ProtectedVerdict::FirstPieceOpened;
    first.restored.resize(
        whole.version >= 2 ? 0 : std::min(whole.restored.size(), tarvex::protectedPieceBytes));
    if (!openedAlike(plainlyOpened(file), whole) ||
        readProtectedInPieces(file, 7, tarvex::ReadingExtent::FirstPiece) != first) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::uint8_t> whole = tarvex::readContainer(text);
    if (whole != tarvex::readContainer(replaceAll(text, "\r\n", "\n")) ||
        whole != readInPieces(text)) {
        std::abort();
    }

    const std::span<const std::uint8_t> source(data, size);
    for (auto level : {tarvex::ContainerClass::Standard, tarvex::ContainerClass::HighLevel}) {
        tarvex::KeyGenerator generator;
        const std::string container =
            tarvex::buildContainer(source, level, "pass word", generator, [](std::string_view) {});
        for (const std::string& variant :
             {container, replaceAll(container, "\r\n", "\n"), replaceAll(container, "\r\n", "\r"),
              "\xEF\xBB\xBF" + replaceAll(container, "\r\n", "  \r\n")}) {
            const auto restored = tarvex::readContainer(variant);
            if (restored.size() != size || !std::equal(restored.begin(), restored.end(), data)) {
                std::abort();
            }
        }
    }

    checkProtected(text);
    // The name: the input's first bytes up to a slash or NUL, or a stand-in.
    std::string name(text.substr(
        0, std::min(text.find_first_of(std::string_view("/\0", 2)), tarvex::recordNameBytes)));
    if (!tarvex::recordableName(name)) {
        name = "fuzz";
    }
    const tarvex::SourceRecord record{name, -static_cast<std::int64_t>(size), size};
    const std::string container =
        tarvex::buildProtected(source, fuzzKey(), fuzzParameters(), record);
    for (const std::string& variant :
         {container, replaceAll(container, "\r\n", "\n"), replaceAll(container, "\r\n", "\r"),
          "\xEF\xBB\xBF" + replaceAll(container, "\r\n", "  \r\n")}) {
        const ProtectedRead read = readProtectedInPieces(variant, 13);
        if (read.verdict != tarvex::ProtectedVerdict::Restored || read.record != record ||
            read.restored.size() != size ||
            !std::equal(read.restored.begin(), read.restored.end(), data)) {
            std::abort();
        }
    }
    return 0;
}
