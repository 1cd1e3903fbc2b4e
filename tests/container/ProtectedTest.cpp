// The Protected class: the containers of an independent implementation, of every version, read
// back; what the builder writes, a plain reader that shares none of its code reads back; and a
// changed container, or one with a record or thumbnail the writer never makes, gives its verdict
// without handing on a byte that did not open and was not found right.
#include "ProtectedRefusals.h"
#include "ReferenceProtected.h"
#include "codec/Base64Body.h"
#include "passwords/PassphraseKey.h"
#include "protected/ProtectedReader.h"
#include "protected/ProtectedWriter.h"
#include "support/ReferenceBase64.h"

#include <deque>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <sstream>

namespace tarvex {
namespace {

// The lowest accepted cost, so that a derivation takes milliseconds; the reader goes by the cost
// that the container holds.
constexpr ProtectedCost cheapCost{1, 8192};
constexpr std::string_view password = "abcde";
constexpr std::size_t piece = protectedPieceBytes;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

const ProtectedParameters& cheapParameters() {
    static const ProtectedParameters parameters = newProtectedParameters(cheapCost);
    return parameters;
}

const ProtectedKey& cheapKey() {
    static const ProtectedKey key = keyOfPassphrase(password, cheapParameters());
    return key;
}

// The keys of a decrypt run: one derivation per file, for the parameters it asks with.
struct Keys {
    explicit Keys(std::string_view typed) : password(typed) {}

    KeyProvider provider() {
        return [this](const ProtectedParameters& parameters) {
            asked.push_back(parameters);
            return &derived.emplace_back(keyOfPassphrase(password, parameters));
        };
    }

    std::string password;
    std::vector<ProtectedParameters> asked;
    std::deque<ProtectedKey> derived;
};

struct Read {
    ProtectedVerdict verdict;
    int version = 0;
    std::optional<SourceRecord> record;
    std::vector<std::uint8_t> thumbnail;
    std::vector<std::uint8_t> restored;
    std::size_t given = 0; // bytes of the file given before the reader needed no more
};

using enum ReadingExtent;

Read readInPieces(ProtectedReader& reader, std::string_view file, KeyProvider keys,
                  std::size_t pieceSize, ReadingExtent extent = Whole) {
    Read read{};
    reader.start(
        std::move(keys),
        [&read](const SourceRecord& record, std::span<const std::uint8_t> thumbnail) {
            // Once, and before any byte of the source.
            EXPECT_FALSE(read.record.has_value());
            EXPECT_TRUE(read.restored.empty());
            read.record = record;
            read.thumbnail.assign(thumbnail.begin(), thumbnail.end());
        },
        [&read](std::span<const std::uint8_t> bytes) {
            read.restored.insert(read.restored.end(), bytes.begin(), bytes.end());
        },
        extent);
    while (read.given < file.size()) {
        const auto part = bytesOf(file.substr(read.given, pieceSize));
        read.given += part.size();
        if (!reader.append(part)) {
            break;
        }
    }
    read.verdict = reader.finish();
    read.version = reader.version();
    return read;
}

Read readInPieces(std::string_view file, KeyProvider keys, std::size_t pieceSize = 4093,
                  ReadingExtent extent = Whole) {
    ProtectedReader reader;
    return readInPieces(reader, file, std::move(keys), pieceSize, extent);
}

SourceRecord recordFor(std::span<const std::uint8_t> source) {
    return {"2024/06 June/Picture 2024.png", 1'718'000'000'123'456'789, source.size()};
}

std::string writeInPieces(ProtectedBuilder& builder, std::span<const std::uint8_t> source,
                          std::size_t pieceSize, std::span<const std::uint8_t> thumbnail = {}) {
    std::string file;
    builder.start(cheapKey(), cheapParameters(), recordFor(source), thumbnail,
                  [&file](std::string_view text) { file.append(text); });
    for (std::size_t at = 0; at < source.size(); at += pieceSize) {
        builder.append(source.subspan(at, std::min(pieceSize, source.size() - at)));
    }
    EXPECT_TRUE(builder.finish());
    return file;
}

std::string build(std::span<const std::uint8_t> source, const ProtectedKey& key = cheapKey(),
                  const ProtectedParameters& parameters = cheapParameters()) {
    return buildProtected(source, key, parameters, recordFor(source));
}

// What the plain reader finds in `file`, as the program's reader reports it.
void expectPlainlyOpened(std::string_view file, std::string_view typed, const Read& read) {
    const auto plain = test::referenceOpenProtected(file, typed);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->version, read.version);
    EXPECT_TRUE(plain->source == read.restored);
    EXPECT_TRUE(plain->thumbnail == read.thumbnail);
    EXPECT_EQ(plain->record.has_value(), read.record.has_value());
    if (plain->record && read.record) {
        EXPECT_EQ(plain->record->path, read.record->path);
        EXPECT_EQ(plain->record->modifiedNs, read.record->modifiedNs);
        EXPECT_EQ(plain->record->size, read.record->size);
    }
}

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
    std::array<unsigned char, crypto_hash_sha256_BYTES> hash{};
    crypto_hash_sha256(hash.data(), bytes.data(), bytes.size());
    std::array<char, 2 * hash.size() + 1> hex{};
    sodium_bin2hex(hex.data(), hex.size(), hash.data(), hash.size());
    return hex.data();
}

// The lines of a tab-separated index, without its column names.
std::vector<std::vector<std::string>> indexRows(const std::string& path) {
    std::ifstream index(path);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(index, line);
    while (std::getline(index, line)) {
        std::vector<std::string>& row = rows.emplace_back();
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) {
            row.push_back(field);
        }
    }
    return rows;
}

std::string vectorFile(const std::string& name) {
    std::ifstream in(std::string(TARVEX_PROTECTED_VECTORS) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ProtectedInterop, EveryVectorOfTheIndependentImplementationRestoresToItsSource) {
    struct Vector {
        std::string file, typed, sha256;
        std::size_t size;
        std::optional<SourceRecord> record;
        int version = 1;
        std::string thumbnail{}; // the file of the thumbnail it carries; empty for none
    };
    std::vector<Vector> vectors;
    const std::string folder = TARVEX_PROTECTED_VECTORS;
    // container, source, password, source_bytes, source_sha256
    for (const auto& row : indexRows(folder + "/INDEX.tsv")) {
        ASSERT_EQ(row.size(), 5u);
        vectors.push_back({row[0], row[2], row[4], std::stoul(row[3]), std::nullopt});
    }
    // container, passphrase, source, restored_name, mtime_ns, source_bytes, source_sha256
    for (const auto& row : indexRows(folder + "/INDEX2.tsv")) {
        ASSERT_EQ(row.size(), 7u);
        const SourceRecord record{row[3], std::stoll(row[4]), std::stoull(row[5])};
        vectors.push_back({row[0], row[1], row[6], record.size, record, 2});
    }
    // The same words typed with the accent apart from its letter.
    vectors.push_back(vectors.back());
    ASSERT_EQ(vectors.back().typed, "Gr\u00fc\u00dfe");
    vectors.back().typed = "Gru\u0308\u00dfe";
    // container, passphrase, source, restored_path, mtime_ns, source_bytes, source_sha256,
    // thumbnail ("-" for none)
    for (const auto& row : indexRows(folder + "/INDEX3.tsv")) {
        ASSERT_EQ(row.size(), 8u);
        const SourceRecord record{row[3], std::stoll(row[4]), std::stoull(row[5])};
        vectors.push_back(
            {row[0], row[1], row[6], record.size, record, 3, row[7] == "-" ? "" : row[7]});
    }
    ASSERT_EQ(vectors.size(), 4u + 5u + 1u + 5u);

    ProtectedReader reader;
    for (const Vector& vector : vectors) {
        SCOPED_TRACE(vector.file + " with " + vector.typed);
        const std::string file = vectorFile(vector.file);
        ASSERT_FALSE(file.empty());
        Keys keys(vector.typed);
        const Read read = readInPieces(reader, file, keys.provider(), 4093);
        EXPECT_EQ(read.verdict, ProtectedVerdict::Restored);
        EXPECT_EQ(read.version, vector.version);
        EXPECT_EQ(read.restored.size(), vector.size);
        EXPECT_EQ(sha256Hex(read.restored), vector.sha256);
        EXPECT_EQ(read.record, vector.record);
        const std::string thumbnail = vector.thumbnail.empty() ? "" : vectorFile(vector.thumbnail);
        EXPECT_FALSE(!vector.thumbnail.empty() && thumbnail.empty());
        EXPECT_TRUE(std::ranges::equal(read.thumbnail, bytesOf(thumbnail)));
        EXPECT_EQ(keys.asked.size(), 1u);
        // The plain reader of the tests agrees, so that it can vouch for what the builder writes.
        if (vector.typed.find("\u0308") == std::string::npos) {
            expectPlainlyOpened(file, vector.typed, read);
        }
    }
}

// Sources that end just before, at and after a piece's end, one of many pieces, and one that fills
// every place of the threads' rings, written and read by one builder and one reader (as a run
// keeps them) fed in pieces of odd sizes.
TEST(ProtectedRoundTrip, PieceBoundariesInPiecesOfAnySizeReadByBothReaders) {
    std::mt19937_64 random(test::testSeed(31));
    ProtectedBuilder builder;
    ProtectedReader reader;
    Keys keys(password);
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, piece - 1, piece, piece + 1, std::size_t{6'000'000},
          PieceThread::places * piecesPerPlace * piece}) {
        const auto source = test::randomBytes(random, size);
        const std::size_t payload =
            payloadFrontBytes + pathRecordPieceBytes + size + (size / piece + 1) * pieceOverhead;
        const std::vector<std::size_t> feedings =
            size < 100'000 ? std::vector<std::size_t>{1, 4093, 256 * 1024}
                           : std::vector<std::size_t>{4093, 256 * 1024};
        for (const std::size_t writeFeeding : feedings) {
            SCOPED_TRACE(std::to_string(size) + " bytes written in pieces of " +
                         std::to_string(writeFeeding));
            const std::string file = writeInPieces(builder, source, writeFeeding);
            EXPECT_EQ(file.size(), encodedBodyLength(payload) + 6);
            for (const std::size_t readFeeding : feedings) {
                const Read read = readInPieces(reader, file, keys.provider(), readFeeding);
                EXPECT_EQ(read.verdict, ProtectedVerdict::Restored) << readFeeding;
                EXPECT_TRUE(read.restored == source) << readFeeding;
                EXPECT_EQ(read.record, recordFor(source));
            }
            expectPlainlyOpened(file, password, readInPieces(reader, file, keys.provider(), 4093));
        }
    }
    EXPECT_TRUE(std::all_of(keys.asked.begin(), keys.asked.end(),
                            [](const auto& asked) { return asked == cheapParameters(); }));
}

// A source that shrank or grew while it was read gives no container to keep; a path or a
// thumbnail that cannot be recorded is refused before anything is written, and the longest that
// can are recorded whole.
TEST(ProtectedBuilder, TellsASourceOfAnotherSizeAndRefusesWhatCannotBeRecorded) {
    const std::vector<std::uint8_t> source(100, 5);
    ProtectedBuilder builder;
    for (const std::size_t recorded : {99, 100, 101}) {
        std::string file;
        builder.start(cheapKey(), cheapParameters(), {"a.png", 0, recorded}, {},
                      [&file](std::string_view text) { file.append(text); });
        builder.append(source);
        EXPECT_EQ(builder.finish(), recorded == source.size()) << recorded;
    }
    // 4,095 bytes: fifteen components of 255 bytes and a last one of 255, apart by slashes.
    std::string longest;
    for (int i = 0; i < 16; ++i) {
        longest += (i == 0 ? "" : "/") + std::string(255, static_cast<char>('a' + i));
    }
    ASSERT_EQ(longest.size(), 4095u);
    const std::vector<std::uint8_t> fullThumbnail(largestThumbnailBytes, 9);
    const std::vector<std::uint8_t> tooLarge(largestThumbnailBytes + 1, 9);
    struct Case {
        std::string path;
        std::span<const std::uint8_t> thumbnail;
        bool recorded;
    };
    const Case cases[] = {
        {"a/b", {}, true},
        {longest, fullThumbnail, true},
        {std::string(255, 'n'), {}, true},
        {"a.png", tooLarge, false},
        {"", {}, false},
        {longest + "x", {}, false},
        {std::string(256, 'a'), {}, false},
        {"b/" + std::string(256, 'a'), {}, false},
        {"/a", {}, false},
        {"a/", {}, false},
        {"/", {}, false},
        {"a//b", {}, false},
        {".", {}, false},
        {"a/..", {}, false},
        {"./a", {}, false},
        {std::string("a/b\0c", 5), {}, false},
    };
    Keys keys(password);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 20) + ", " + std::to_string(c.path.size()) + " bytes");
        std::string file;
        const SourceRecord record{c.path, 0, 0};
        const auto start = [&] {
            builder.start(cheapKey(), cheapParameters(), record, c.thumbnail,
                          [&file](std::string_view text) { file.append(text); });
        };
        if (!c.recorded) {
            EXPECT_THROW(start(), std::invalid_argument);
            EXPECT_TRUE(file.empty());
            continue;
        }
        start();
        EXPECT_TRUE(builder.finish());
        const Read read = readInPieces(file, keys.provider());
        EXPECT_EQ(read.verdict, ProtectedVerdict::Restored);
        EXPECT_EQ(read.record, record);
        EXPECT_TRUE(std::ranges::equal(read.thumbnail, c.thumbnail));
        expectPlainlyOpened(file, password, read);
    }
}

// The builder enciphers on a thread of its own, batches ahead of the text it hands on. A container
// given up half-way, by a write that failed (the sink's error reaches the caller) or by a caller
// that stops, leaves nothing behind: the next container of the same builder restores.
TEST(ProtectedBuilder, AContainerGivenUpHalfWayLeavesTheNextWhole) {
    std::mt19937_64 random(test::testSeed(36));
    const auto source = test::randomBytes(random, 70 * piece + 3);
    struct Case {
        const char* name;
        std::size_t failingWrite; // 0: the caller stops after half the source
    };
    for (const Case& given : {Case{"the first write after the record", 2},
                              Case{"a write half-way", 20}, Case{"stopped half-way", 0}}) {
        SCOPED_TRACE(given.name);
        ProtectedBuilder builder;
        std::size_t writes = 0;
        builder.start(cheapKey(), cheapParameters(), recordFor(source), {}, [&](std::string_view) {
            if (++writes == given.failingWrite) {
                throw std::runtime_error("disk full");
            }
        });
        const std::size_t stopAt = given.failingWrite == 0 ? source.size() / 2 : source.size();
        const auto feed = [&] {
            for (std::size_t at = 0; at < stopAt; at += 256 * 1024) {
                builder.append(
                    std::span(source).subspan(at, std::min<std::size_t>(256 * 1024, stopAt - at)));
            }
        };
        if (given.failingWrite != 0) {
            EXPECT_THROW((feed(), static_cast<void>(builder.finish())), std::runtime_error);
        } else {
            feed();
        }
        Keys keys(password);
        const Read read = readInPieces(writeInPieces(builder, source, 256 * 1024), keys.provider());
        EXPECT_EQ(read.verdict, ProtectedVerdict::Restored);
        EXPECT_TRUE(read.restored == source);
    }
}

// The reader opens pieces on a thread of its own, batches ahead of the bytes it hands on. A
// reading given up half-way, by a sink that failed or by a caller that stops, leaves nothing
// behind: the same reader then restores the next container exactly.
TEST(ProtectedReader, AReadingGivenUpHalfWayLeavesTheNextWhole) {
    std::mt19937_64 random(test::testSeed(37));
    const auto source = test::randomBytes(random, 70 * piece + 3);
    const std::string file = build(source);
    Keys keys(password);
    for (const std::size_t failingWrite : {std::size_t{1}, std::size_t{20}, std::size_t{0}}) {
        SCOPED_TRACE(failingWrite);
        ProtectedReader reader;
        std::size_t writes = 0;
        reader.start(keys.provider(), {}, [&](std::span<const std::uint8_t>) {
            if (++writes == failingWrite) {
                throw std::runtime_error("disk full");
            }
        });
        const auto half = bytesOf(std::string_view(file).substr(0, file.size() / 2));
        if (failingWrite != 0) {
            EXPECT_THROW(
                {
                    reader.append(bytesOf(file));
                    reader.finish();
                },
                std::runtime_error);
        } else {
            EXPECT_TRUE(reader.append(half));
        }
        const Read read = readInPieces(reader, file, keys.provider(), 4093);
        EXPECT_EQ(read.verdict, ProtectedVerdict::Restored);
        EXPECT_TRUE(read.restored == source);
    }
}

TEST(ProtectedBuilder, WritesTheLayoutByteForByte) {
    ProtectedParameters parameters{{}, cheapCost};
    for (std::uint8_t i = 0; i < 16; ++i) {
        parameters.salt[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    const ProtectedKey key = keyOfPassphrase(password, parameters);
    std::vector<std::uint8_t> source(100);
    std::iota(source.begin(), source.end(), std::uint8_t{0});

    const std::string file = build(source, key, parameters);
    const auto payload = test::referencePayloadOf(file);
    ASSERT_TRUE(payload.has_value());
    ASSERT_EQ(payload->size(), 32 + 24 + 4134 + 100 + 17);
    const std::vector<std::uint8_t> head = {'T',  'A',  'R',  'V',  'E',  'X',  'P',  '3',
                                            1,    0,    0,    0,    0x00, 0x20, 0,    0,
                                            0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
                                            0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF};
    EXPECT_EQ(std::vector<std::uint8_t>(payload->begin(), payload->begin() + 32), head);
    const auto plain = test::referenceOpenProtected(file, password);
    ASSERT_TRUE(plain.has_value() && plain->record.has_value());
    EXPECT_EQ(plain->record->path, "2024/06 June/Picture 2024.png");
    EXPECT_EQ(plain->record->modifiedNs, 1'718'000'000'123'456'789);
    EXPECT_EQ(plain->record->size, 100u);
    EXPECT_EQ(plain->record->thumbnailBytes, 0u);
    EXPECT_TRUE(plain->thumbnail.empty());
    EXPECT_EQ(plain->source, source);
    // 4,307 bytes are 5,744 characters: 75 full lines and 44 characters, then the marker.
    EXPECT_EQ(file.size(), 75 * 78 + 44 + 6);
    for (std::size_t line = 0; line < 75; ++line) {
        EXPECT_EQ(file.substr(line * 78 + 76, 2), "\r\n");
    }
    EXPECT_EQ(file.substr(75 * 78 + 44), "$$$$\r\n");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 76);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\r'), 76);

    // A thumbnail is the second piece, as long as the record says.
    const std::vector<std::uint8_t> thumbnail(300, 0xD8);
    const std::string pictured =
        buildProtected(source, key, parameters, recordFor(source), thumbnail);
    ASSERT_EQ(test::referencePayloadOf(pictured)->size(), 32 + 24 + 4134 + 317 + 100 + 17);
    const auto withThumbnail = test::referenceOpenProtected(pictured, password);
    ASSERT_TRUE(withThumbnail.has_value() && withThumbnail->record.has_value());
    EXPECT_EQ(withThumbnail->record->thumbnailBytes, 300u);
    EXPECT_EQ(withThumbnail->thumbnail, thumbnail);
    EXPECT_EQ(withThumbnail->source, source);

    // Every container has a stream header of its own; the head is the run's.
    const auto again = test::referencePayloadOf(build(source, key, parameters));
    ASSERT_TRUE(again.has_value());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), again->begin()));
    EXPECT_FALSE(std::equal(payload->begin() + 32, payload->begin() + 56, again->begin() + 32));

    // A payload of 74 lines' bytes (57 each) puts the marker on a line of its own.
    const std::vector<std::uint8_t> short11(11, 7);
    const std::string lined = build(short11, key, parameters);
    EXPECT_EQ(lined.size(), 74 * 78 + 6);
    EXPECT_EQ(lined.substr(76, 2), "\r\n");
    EXPECT_EQ(lined.substr(74 * 78 - 2), "\r\n$$$$\r\n");
    Keys keys(password);
    const Read read = readInPieces(lined, keys.provider());
    EXPECT_EQ(read.verdict, ProtectedVerdict::Restored);
    EXPECT_EQ(read.restored, short11);
    expectPlainlyOpened(lined, password, read);
}

// The character of the text that stands for the payload's byte `at`.
std::size_t textIndexOf(std::size_t at) {
    const std::size_t character = at / 3 * 4;
    return character + character / bodyLineCharacters * 2;
}

// A container of `source` in `version`: the writer's for 3, the plain writer's for 1 and 2.
std::string containerOf(int version, std::span<const std::uint8_t> source) {
    if (version == 3) {
        return build(source);
    }
    const auto head =
        test::referenceHead(version == 2 ? "TARVEXP2" : "TARVEXP1", cheapCost.opslimit,
                            cheapCost.memlimitKiB, cheapParameters().salt);
    std::vector<test::ReferencePiece> pieces = test::referencePieces(source);
    if (version == 2) {
        pieces.insert(pieces.begin(), {test::referenceRecord(5, "a.png", 0, source.size()),
                                       test::referenceMessageTag});
    }
    return test::referenceProtectedFile(
        test::referencePayload(head, test::referenceKey(password, head), pieces));
}

// Changes of every kind to a container of each version, and containers that the builder never
// makes: the pieces out of their place.
void checkChangedContainers(int version) {
    using enum ProtectedVerdict;
    std::mt19937_64 random(test::testSeed(32));
    constexpr std::size_t tail = 1003;
    const auto source = test::randomBytes(random, 3 * piece + tail);
    const std::string file = containerOf(version, source);
    const std::vector<std::uint8_t> payload = test::referencePayloadOf(file).value();
    // Where the payload's content piece `index` begins, as a size and in `bytes`.
    const std::size_t firstContent = payloadFrontBytes + (version == 3   ? pathRecordPieceBytes
                                                          : version == 2 ? nameRecordPieceBytes
                                                                         : 0);
    const auto pieceAt = [firstContent](std::size_t index) {
        return firstContent + index * fullCipherPieceBytes;
    };
    const auto pieceIn = [&pieceAt](std::vector<std::uint8_t>& bytes, std::size_t index) {
        return bytes.begin() + static_cast<std::ptrdiff_t>(pieceAt(index));
    };
    const auto changed = [&payload](auto change) {
        std::vector<std::uint8_t> bytes = payload;
        change(bytes);
        return test::referenceProtectedFile(bytes);
    };
    const auto withCost = [&changed](std::uint32_t opslimit, std::uint32_t memlimitKiB) {
        return changed([&](std::vector<std::uint8_t>& bytes) {
            for (int i = 0; i < 4; ++i) {
                bytes[8 + i] = static_cast<std::uint8_t>(opslimit >> (8 * i));
                bytes[12 + i] = static_cast<std::uint8_t>(memlimitKiB >> (8 * i));
            }
        });
    };
    const auto inserted = [&file](std::size_t at, std::string_view text) {
        return std::string(file).insert(at, text);
    };
    // Payloads that the builder never makes: pieces out of their place, tagged as given.
    const std::vector<std::uint8_t> head(payload.begin(), payload.begin() + 32);
    const test::ReferenceKey key = test::referenceKey(password, head);
    const auto sourcePiece = [&source](std::size_t index, std::size_t size) {
        return std::vector<std::uint8_t>(
            source.begin() + static_cast<std::ptrdiff_t>(index * piece),
            source.begin() + static_cast<std::ptrdiff_t>(index * piece + size));
    };
    constexpr auto message = test::referenceMessageTag;
    constexpr auto final = test::referenceFinalTag;
    // The pieces of versions 2 and 3 begin with a record of the content's size.
    const auto crafted = [&](std::vector<test::ReferencePiece> pieces) {
        std::size_t size = 0;
        for (const auto& content : pieces) {
            size += content.plain.size();
        }
        if (version == 2) {
            pieces.insert(pieces.begin(), {test::referenceRecord(1, "a", 0, size), message});
        } else if (version == 3) {
            pieces.insert(pieces.begin(),
                          {test::referencePathRecord(3, "a/b", 0, size, 0), message});
        }
        return test::referenceProtectedFile(test::referencePayload(head, key, pieces));
    };
    const ProtectedParameters otherRun = newProtectedParameters(cheapCost);
    const auto otherHead = protectedHead(otherRun);

    struct Case {
        std::string what;
        std::string file;
        ProtectedVerdict verdict;
        std::size_t restored; // the source bytes that opened before the verdict
        bool asksForKey = true;
        std::string_view typed = password;
    };
    std::string flipped = file;
    char& flip = flipped[textIndexOf(pieceAt(1) + 100)];
    flip = flip == 'A' ? 'B' : 'A';
    ASSERT_EQ(file[file.size() - 7], '='); // the payload's text ends in padding
    const std::vector<Case> cases = {
        {"a character of the second piece changed", flipped, NotOpened, piece},
        {"a salt byte changed", changed([](auto& b) { b[20] ^= 1; }), NotOpened, 0},
        {"the last piece changed", changed([](auto& b) { b.back() ^= 1; }), NotOpened, 3 * piece},
        {"the wrong password", file, NotOpened, 0, true, "abcdf"},
        {"another run's head",
         changed([&](auto& b) { std::copy(otherHead.begin(), otherHead.end(), b.begin()); }),
         NotOpened, 0},
        {"cut after the front", changed([&](auto& b) { b.resize(payloadFrontBytes); }), Damaged, 0},
        {"cut before the content", changed([&](auto& b) { b.resize(pieceAt(0)); }), Damaged, 0},
        {"cut after the first piece", changed([&](auto& b) { b.resize(pieceAt(1)); }), Damaged,
         piece},
        {"cut after the third piece", changed([&](auto& b) { b.resize(pieceAt(3)); }), Damaged,
         3 * piece},
        {"cut inside a piece", changed([&](auto& b) { b.resize(pieceAt(1) + 30000); }), NotOpened,
         piece},
        {"cut inside a piece's overhead", changed([&](auto& b) { b.resize(pieceAt(1) + 10); }),
         Damaged, piece},
        {"cut without its marker", file.substr(0, 150000), Damaged, piece},
        {"two pieces swapped",
         changed([&](auto& b) { std::swap_ranges(pieceIn(b, 1), pieceIn(b, 2), pieceIn(b, 2)); }),
         NotOpened, piece},
        {"a piece repeated", changed([&](auto& b) {
             const std::vector<std::uint8_t> copy(pieceIn(b, 1), pieceIn(b, 2));
             b.insert(pieceIn(b, 2), copy.begin(), copy.end());
         }),
         NotOpened, 2 * piece},
        {"bytes after the last piece", changed([](auto& b) { b.resize(b.size() + 20, 0x55); }),
         NotOpened, 3 * piece},
        {"a blank inside a line", inserted(40, " "), Damaged, 0, false},
        {"a dot inside the text", inserted(120000, "."), Damaged, piece},
        {"a padding character missing", std::string(file).erase(file.size() - 7, 1), Damaged,
         3 * piece},
        {"text after the marker", file + "AAAA", Damaged, 3 * piece},
        {"another class's marker", file.substr(0, file.size() - 6) + "****\r\n", Damaged,
         3 * piece},
        {"another magic", changed([](auto& b) { b[7] = '4'; }), Damaged, 0, false},
        {"the other version's magic", changed([&](auto& b) { b[7] = version == 2 ? '1' : '2'; }),
         NotOpened, 0},
        {"no opslimit", withCost(0, 8192), Damaged, 0, false},
        {"too high an opslimit", withCost(17, 8192), Damaged, 0, false},
        {"too little memory", withCost(1, 8191), Damaged, 0, false},
        {"too much memory", withCost(1, 1048577), Damaged, 0, false},
        {"shorter than its front", changed([](auto& b) { b.resize(40); }), Damaged, 0, false},
        {"a full piece tagged final", crafted({{sourcePiece(0, piece), final}}), Damaged, 0},
        {"a full final piece and another", crafted({{sourcePiece(0, piece), final}, {{}, final}}),
         Damaged, 0},
        {"the last piece not final",
         crafted({{sourcePiece(0, piece), message}, {sourcePiece(1, tail), message}}), Damaged,
         piece},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Keys keys(c.typed);
        const Read read = readInPieces(c.file, keys.provider());
        EXPECT_EQ(read.verdict, c.verdict);
        EXPECT_EQ(read.restored.size(), c.restored);
        EXPECT_TRUE(read.restored.size() <= source.size() &&
                    std::equal(read.restored.begin(), read.restored.end(), source.begin()));
        EXPECT_EQ(keys.asked.size(), c.asksForKey ? 1u : 0u);
    }

    // A whole container of another run opens, with the key of its own parameters.
    ProtectedReader reader;
    Keys keys(password);
    const ProtectedKey otherKey = keyOfPassphrase(password, otherRun);
    const Read other =
        readInPieces(reader, build(source, otherKey, otherRun), keys.provider(), 4093);
    EXPECT_EQ(other.verdict, Restored);
    EXPECT_TRUE(other.restored == source);
    EXPECT_EQ(keys.asked, std::vector<ProtectedParameters>{otherRun});

    // A provider that gives up.
    const Read given = readInPieces(
        reader, file, [](const ProtectedParameters&) { return nullptr; }, 4093);
    EXPECT_EQ(given.verdict, NoKey);
    EXPECT_TRUE(given.restored.empty());
}

TEST(ProtectedReader, ChangedContainersGiveTheirVerdictAndNothingThatDidNotOpen) {
    for (const int version : {1, 2, 3}) {
        SCOPED_TRACE("version " + std::to_string(version));
        checkChangedContainers(version);
    }
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST(ProtectedReader, ToleratesWhatTextFilesGoThrough) {
    std::mt19937_64 random(test::testSeed(33));
    const auto source = test::randomBytes(random, piece + 500);
    const std::string file = build(source);
    std::string rewrapped;
    std::string joined = replaceAll(file, "\r\n", "");
    for (std::size_t at = 0; at < joined.size(); at += 64) {
        rewrapped += joined.substr(at, 64) + "\n";
    }
    const std::pair<std::string, std::string> variants[] = {
        {"LF line ends", replaceAll(file, "\r\n", "\n")},
        {"CR line ends", replaceAll(file, "\r\n", "\r")},
        {"a byte order mark", "\xEF\xBB\xBF" + file},
        {"blanks and tabs at line ends", replaceAll(file, "\r\n", " \t \r\n")},
        {"blank lines", replaceAll(file, "\r\n", "\r\n\r\n  \n")},
        {"lines of another length", rewrapped},
        {"one line", joined},
        {"a Ctrl-Z and anything after it", file + "\x1A" + "junk . $"},
    };
    ProtectedReader reader;
    for (const auto& [what, text] : variants) {
        for (const std::size_t feeding : {std::size_t{4093}, text.size()}) {
            SCOPED_TRACE(what + ", pieces of " + std::to_string(feeding));
            Keys keys(password);
            const Read read = readInPieces(reader, text, keys.provider(), feeding);
            EXPECT_EQ(read.verdict, ProtectedVerdict::Restored);
            EXPECT_TRUE(read.restored == source);
        }
    }
}

// How a decrypt run's probe tells whether the typed passphrase opens a file: by the record in
// versions 2 and 3, by the source's first piece in version 1. The thumbnail behind a version 3
// record is not read for that.
TEST(ProtectedReader, FirstPieceOnlyStopsOnceTheFirstPieceOpens) {
    std::mt19937_64 random(test::testSeed(34));
    const auto large = test::randomBytes(random, 3 * piece);
    const auto thumbnail = test::randomBytes(random, 30'000);
    ProtectedBuilder builder;
    const std::string file = writeInPieces(builder, large, piece, thumbnail);
    ProtectedReader reader;
    Keys keys(password);
    const Read opened = readInPieces(reader, file, keys.provider(), 4093, FirstPiece);
    EXPECT_EQ(opened.verdict, ProtectedVerdict::FirstPieceOpened);
    EXPECT_EQ(opened.record, recordFor(large));
    EXPECT_TRUE(opened.thumbnail.empty());
    EXPECT_TRUE(opened.restored.empty());
    EXPECT_EQ(opened.given, 2 * 4093u);

    Keys wrong("abcdf");
    const Read refused = readInPieces(reader, file, wrong.provider(), 4093, FirstPiece);
    EXPECT_EQ(refused.verdict, ProtectedVerdict::NotOpened);
    EXPECT_FALSE(refused.record.has_value());

    const Read first =
        readInPieces(reader, containerOf(1, large), keys.provider(), 4093, FirstPiece);
    EXPECT_EQ(first.verdict, ProtectedVerdict::FirstPieceOpened);
    EXPECT_EQ(first.version, 1);
    EXPECT_FALSE(first.record.has_value());
    EXPECT_TRUE(std::equal(first.restored.begin(), first.restored.end(), large.begin()));
    EXPECT_EQ(first.restored.size(), piece);
    EXPECT_LT(first.given, 100'000u);
}

// What a viewer asks for first: the record and the thumbnail, read without the content behind
// them; a container that records nothing is read whole.
TEST(ProtectedReader, RecordOnlyStopsOnceTheRecordAndTheThumbnailOpen) {
    std::mt19937_64 random(test::testSeed(38));
    const auto large = test::randomBytes(random, 3 * piece);
    const auto thumbnail = test::randomBytes(random, largestThumbnailBytes);
    ProtectedBuilder builder;
    struct Case {
        std::string what;
        std::string file;
        ProtectedVerdict verdict;
        std::vector<std::uint8_t> thumbnail;
        bool recorded;
        std::size_t given; // the most characters of the file read
    };
    // The front and the record piece are 5,588 characters, the thumbnail piece 87,404 more.
    const Case cases[] = {
        {"a thumbnail of 65,536 bytes", writeInPieces(builder, large, piece, thumbnail),
         ProtectedVerdict::RecordOpened, thumbnail, true, 100'000},
        {"a thumbnail of one byte",
         writeInPieces(builder, large, piece, std::span(thumbnail).first(1)),
         ProtectedVerdict::RecordOpened,
         {thumbnail.front()},
         true,
         3 * 4093},
        {"no thumbnail",
         writeInPieces(builder, large, piece),
         ProtectedVerdict::RecordOpened,
         {},
         true,
         3 * 4093},
        {"version 2", containerOf(2, large), ProtectedVerdict::RecordOpened, {}, true, 4093},
        {"version 1",
         containerOf(1, large),
         ProtectedVerdict::Restored,
         {},
         false,
         std::numeric_limits<std::size_t>::max()},
    };
    ProtectedReader reader;
    Keys keys(password);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Read read = readInPieces(reader, c.file, keys.provider(), 4093, Record);
        EXPECT_EQ(read.verdict, c.verdict);
        EXPECT_EQ(read.record.has_value(), c.recorded);
        EXPECT_EQ(read.thumbnail, c.thumbnail);
        EXPECT_LE(read.given, c.given);
        EXPECT_EQ(read.restored.empty(), c.recorded);
        // What a whole reading gives besides the content is the same.
        const Read whole = readInPieces(reader, c.file, keys.provider(), 4093);
        EXPECT_EQ(whole.verdict, ProtectedVerdict::Restored);
        EXPECT_EQ(whole.record, read.record);
        EXPECT_EQ(whole.thumbnail, read.thumbnail);
        EXPECT_TRUE(whole.restored == large);
    }
}

// Records that the writer never makes, enciphered by the plain writer: the file is damaged, and
// no byte of it is given, to a run as to its probe. A record piece of another length cannot be
// told from a wrong passphrase: the first 290 bytes after the front do not open.
TEST(ProtectedReader, RefusesRecordsThatTheWriterNeverMakes) {
    using enum ProtectedVerdict;
    using test::referenceRecord;
    std::mt19937_64 random(test::testSeed(35));
    const auto source = test::randomBytes(random, 3 * piece + 5);
    const auto head = test::referenceHead("TARVEXP2", cheapCost.opslimit, cheapCost.memlimitKiB,
                                          cheapParameters().salt);
    const test::ReferenceKey key = test::referenceKey(password, head);
    const auto sealed = [&](std::vector<std::uint8_t> record, std::size_t size,
                            unsigned char tag = test::referenceMessageTag) {
        auto pieces = test::referencePieces(std::span(source).first(size));
        pieces.insert(pieces.begin(), {std::move(record), tag});
        return test::referenceProtectedFile(test::referencePayload(head, key, pieces));
    };
    const auto record = [](std::uint64_t size) { return referenceRecord(5, "a.png", -1, size); };
    const std::string name255(255, 'n');
    struct Case {
        std::string what;
        std::string file;
        ProtectedVerdict verdict;
        std::size_t restored;
        ProtectedVerdict probe; // with the first piece only
        std::optional<SourceRecord> record = std::nullopt;
    };
    const Case cases[] = {
        {"a record of the format", sealed(record(10), 10), Restored, 10, FirstPieceOpened,
         SourceRecord{"a.png", -1, 10}},
        {"a name of 255 bytes", sealed(referenceRecord(255, name255, 0, 0), 0), Restored, 0,
         FirstPieceOpened, SourceRecord{name255, 0, 0}},
        {"a name of bytes that are not UTF-8", sealed(referenceRecord(4, "\xff...", 0, 0), 0),
         Restored, 0, FirstPieceOpened, SourceRecord{"\xff...", 0, 0}},
        {"a name with a slash", sealed(referenceRecord(3, "a/b", 0, 10), 10), Damaged, 0, Damaged},
        {"the name .", sealed(referenceRecord(1, ".", 0, 10), 10), Damaged, 0, Damaged},
        {"the name ..", sealed(referenceRecord(2, "..", 0, 10), 10), Damaged, 0, Damaged},
        {"a NUL in the name", sealed(referenceRecord(3, {"a\0b", 3}, 0, 10), 10), Damaged, 0,
         Damaged},
        {"no name", sealed(referenceRecord(0, "", 0, 10), 10), Damaged, 0, Damaged},
        {"a name of 256 bytes", sealed(referenceRecord(256, name255, 0, 10), 10), Damaged, 0,
         Damaged},
        {"bytes after the name", sealed(referenceRecord(5, {"a.png\0x", 7}, -1, 10), 10), Damaged,
         0, Damaged},
        {"a record tagged final", sealed(record(10), 10, test::referenceFinalTag), Damaged, 0,
         Damaged},
        {"a record one byte short", sealed(std::vector<std::uint8_t>(272), 10), NotOpened, 0,
         NotOpened},
        {"content without a record",
         test::referenceProtectedFile(
             test::referencePayload(head, key, test::referencePieces(std::span(source).first(9)))),
         Damaged, 0, Damaged},
        {"a record without content",
         test::referenceProtectedFile(
             test::referencePayload(head, key, {{record(0), test::referenceMessageTag}})),
         Damaged, 0, FirstPieceOpened, SourceRecord{"a.png", -1, 0}},
        // The recorded size is what it is said to be, and content beyond it is never given.
        {"a size one short", sealed(record(9), 10), Damaged, 0, FirstPieceOpened,
         SourceRecord{"a.png", -1, 9}},
        {"a size one long", sealed(record(11), 10), Damaged, 0, FirstPieceOpened,
         SourceRecord{"a.png", -1, 11}},
        {"a size of a piece and a byte, of more", sealed(record(piece + 1), source.size()), Damaged,
         piece, FirstPieceOpened, SourceRecord{"a.png", -1, piece + 1}},
    };
    ProtectedReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Keys keys(password);
        const Read read = readInPieces(reader, c.file, keys.provider(), 4093);
        EXPECT_EQ(read.verdict, c.verdict);
        EXPECT_EQ(read.version, 2);
        EXPECT_EQ(read.restored.size(), c.restored);
        EXPECT_TRUE(std::equal(read.restored.begin(), read.restored.end(), source.begin()));
        EXPECT_EQ(read.record, c.record);
        EXPECT_EQ(test::referenceOpenProtected(c.file, password).has_value(),
                  c.verdict == Restored);
        EXPECT_EQ(readInPieces(reader, c.file, keys.provider(), 4093, FirstPiece).verdict, c.probe);
    }
}

// Version 3 records and thumbnails that the writer never makes: the file is refused and no byte
// of it is given, to a run, to its probe and to a viewer asking for the record alone. A piece of
// another length than the record says cannot be told from a wrong passphrase: it does not open.
TEST(ProtectedReader, RefusesVersion3RecordsAndThumbnailsThatTheWriterNeverMakes) {
    using enum ProtectedVerdict;
    const test::Version3Maker maker(password, cheapParameters().salt, cheapCost.opslimit,
                                    cheapCost.memlimitKiB);
    ProtectedReader reader;
    Keys keys(password);
    // The same maker's container of the format restores, so that each refusal is its change's.
    const Read right = readInPieces(reader, maker.wellFormed(), keys.provider(), 4093);
    EXPECT_EQ(right.verdict, Restored);
    EXPECT_EQ(right.record, (SourceRecord{"2024/06 June/a.png", 7, 10}));
    EXPECT_EQ(right.thumbnail, test::Version3Maker::thumbnail());
    EXPECT_EQ(right.restored, test::Version3Maker::source());
    for (const test::Version3Refusal& c : test::version3Refusals(maker)) {
        SCOPED_TRACE(c.what);
        const ProtectedVerdict refused = c.damaged ? Damaged : NotOpened;
        const Read read = readInPieces(reader, c.file, keys.provider(), 4093);
        using Wrong = test::Version3Refusal::Wrong;
        EXPECT_EQ(read.verdict, refused);
        EXPECT_EQ(read.version, 3);
        EXPECT_TRUE(read.restored.empty());
        // The record goes to its sink only with a right thumbnail.
        EXPECT_EQ(read.record.has_value(), c.wrong == Wrong::Content);
        EXPECT_FALSE(test::referenceOpenProtected(c.file, password).has_value());
        const Read probe = readInPieces(reader, c.file, keys.provider(), 4093, FirstPiece);
        EXPECT_EQ(probe.verdict, c.wrong == Wrong::Record ? refused : FirstPieceOpened);
        EXPECT_EQ(probe.record.has_value(), c.wrong != Wrong::Record);
        const Read viewed = readInPieces(reader, c.file, keys.provider(), 4093, Record);
        EXPECT_EQ(viewed.verdict, c.wrong == Wrong::Content ? RecordOpened : refused);
        EXPECT_TRUE(viewed.restored.empty());
    }
}

// The same words typed through different input methods open the same containers.
TEST(ProtectedKey, DerivesFromThePassphraseInNormalisationFormC) {
    const std::vector<std::uint8_t> source(10, 3);
    struct Case {
        std::string_view made, typed; // made in form C
        bool opens;
    };
    // The longest passphrase: 341 characters of three bytes and one of one.
    std::string longest;
    for (int i = 0; i < 341; ++i) {
        longest += "\u5bc6";
    }
    longest += "!";
    ASSERT_EQ(longest.size(), 1024u);
    const Case cases[] = {
        {longest, longest, true},
        {longest, std::string_view(longest).substr(0, 1023), false},
        {"Gr\u00fc\u00dfe", "Gru\u0308\u00dfe", true},                  // a letter and its accent
        {"\ud55c\uae00", "\u1112\u1161\u11ab\u1100\u1173\u11af", true}, // Hangul jamo
        {"\u1ec7", "e\u0302\u0323", true}, // a letter and its accents in another order
        {"Gr\u00fc\u00dfe", "Grusse", false},
        {"\ufb01", "fi", false}, // compatibility forms stay apart
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const ProtectedKey key = keyOfPassphrase(c.made, cheapParameters());
        const std::string file = build(source, key);
        Keys keys(c.typed);
        const Read read = readInPieces(file, keys.provider());
        EXPECT_EQ(read.verdict == ProtectedVerdict::Restored, c.opens);
        if (c.opens) {
            expectPlainlyOpened(file, c.made, read);
        }
    }
    for (const std::string_view invalid : {"abc\xff", "\xc3", "\xed\xa0\x80"}) {
        EXPECT_FALSE(keyOfPassphrase(invalid, cheapParameters()).valid());
    }
}

TEST(ProtectedKey, DerivesOnlyAtAnAcceptedCost) {
    const std::pair<ProtectedCost, bool> costs[] = {
        {{1, 8192}, true},  {{16, 1048576}, true}, {{0, 8192}, false},         {{17, 8192}, false},
        {{1, 8191}, false}, {{1, 1048577}, false}, {protectedWriteCost, true},
    };
    for (const auto& [cost, accepted] : costs) {
        EXPECT_EQ(acceptedCost(cost), accepted) << cost.opslimit << ", " << cost.memlimitKiB;
        if (!accepted) {
            EXPECT_FALSE(keyOfPassphrase(password, {{}, cost}).valid());
        }
    }
    ProtectedKey key = keyOfPassphrase(password, cheapParameters());
    EXPECT_TRUE(key.valid());
    const ProtectedKey moved = std::move(key);
    EXPECT_TRUE(moved.valid());
    EXPECT_FALSE(key.valid()); // NOLINT(bugprone-use-after-move): a moved-from key is empty
}

} // namespace
} // namespace tarvex
