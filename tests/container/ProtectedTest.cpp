// The Protected class: the containers of an independent implementation read back; what the builder
// writes, a plain reader that shares none of its code reads back; and a changed container gives
// its verdict without handing on a byte that did not open.
#include "ReferenceProtected.h"
#include "codec/Base64Body.h"
#include "container/ProtectedReader.h"
#include "container/ProtectedWriter.h"
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
    static const ProtectedKey key = ProtectedKey::derive(password, cheapParameters());
    return key;
}

// The keys of a decrypt run: one derivation per file, for the parameters it asks with.
struct Keys {
    explicit Keys(std::string_view typed) : password(typed) {}

    KeyProvider provider() {
        return [this](const ProtectedParameters& parameters) {
            asked.push_back(parameters);
            return &derived.emplace_back(ProtectedKey::derive(password, parameters));
        };
    }

    std::string password;
    std::vector<ProtectedParameters> asked;
    std::deque<ProtectedKey> derived;
};

struct Read {
    ProtectedVerdict verdict;
    std::vector<std::uint8_t> restored;
    std::size_t given = 0; // bytes of the file given before the reader needed no more
};

Read readInPieces(ProtectedReader& reader, std::string_view file, KeyProvider keys,
                  std::size_t pieceSize, bool firstPieceOnly = false) {
    Read read{};
    reader.start(
        std::move(keys),
        [&read](std::span<const std::uint8_t> bytes) {
            read.restored.insert(read.restored.end(), bytes.begin(), bytes.end());
        },
        firstPieceOnly);
    while (read.given < file.size()) {
        const auto part = bytesOf(file.substr(read.given, pieceSize));
        read.given += part.size();
        if (!reader.append(part)) {
            break;
        }
    }
    read.verdict = reader.finish();
    return read;
}

Read readInPieces(std::string_view file, KeyProvider keys, std::size_t pieceSize = 4093) {
    ProtectedReader reader;
    return readInPieces(reader, file, std::move(keys), pieceSize);
}

std::string writeInPieces(ProtectedBuilder& builder, std::span<const std::uint8_t> source,
                          std::size_t pieceSize) {
    std::string file;
    builder.start(cheapKey(), cheapParameters(),
                  [&file](std::string_view text) { file.append(text); });
    for (std::size_t at = 0; at < source.size(); at += pieceSize) {
        builder.append(source.subspan(at, std::min(pieceSize, source.size() - at)));
    }
    builder.finish();
    return file;
}

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
    std::array<unsigned char, crypto_hash_sha256_BYTES> hash{};
    crypto_hash_sha256(hash.data(), bytes.data(), bytes.size());
    std::array<char, 2 * hash.size() + 1> hex{};
    sodium_bin2hex(hex.data(), hex.size(), hash.data(), hash.size());
    return hex.data();
}

TEST(ProtectedInterop, EveryVectorOfTheIndependentImplementationRestoresToItsSource) {
    const std::string folder = TARVEX_PROTECTED_VECTORS;
    std::ifstream index(folder + "/INDEX.tsv");
    std::string line;
    std::getline(index, line); // the column names
    int vectors = 0;
    while (std::getline(index, line)) {
        std::istringstream fields(line);
        std::string name, sourceName, typed, sha256;
        std::size_t size = 0;
        std::getline(fields, name, '\t');
        std::getline(fields, sourceName, '\t');
        std::getline(fields, typed, '\t');
        fields >> size >> sha256;
        SCOPED_TRACE(name);
        std::ifstream in(folder + "/" + name, std::ios::binary);
        const std::string file{std::istreambuf_iterator<char>(in), {}};
        ASSERT_FALSE(file.empty());

        Keys keys(typed);
        const Read read = readInPieces(file, keys.provider());
        EXPECT_EQ(read.verdict, ProtectedVerdict::Restored);
        EXPECT_EQ(read.restored.size(), size);
        EXPECT_EQ(sha256Hex(read.restored), sha256);
        EXPECT_EQ(keys.asked.size(), 1u);
        // The plain reader of the tests agrees, so that it can vouch for what the builder writes.
        const auto plain = test::referenceOpenProtected(file, typed);
        ASSERT_TRUE(plain.has_value());
        EXPECT_EQ(*plain, read.restored);
        ++vectors;
    }
    EXPECT_EQ(vectors, 4);
}

// Sources that end just before, at and after a piece's end, and one of many pieces, written and
// read by one builder and one reader (as a run keeps them) fed in pieces of odd sizes.
TEST(ProtectedRoundTrip, PieceBoundariesInPiecesOfAnySizeReadByBothReaders) {
    std::mt19937_64 random(test::testSeed(31));
    ProtectedBuilder builder;
    ProtectedReader reader;
    Keys keys(password);
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, piece - 1, piece, piece + 1, std::size_t{6'000'000}}) {
        const auto source = test::randomBytes(random, size);
        const std::size_t payload = payloadFrontBytes + size + (size / piece + 1) * pieceOverhead;
        const std::vector<std::size_t> feedings =
            size < 100'000 ? std::vector<std::size_t>{1, 4093, 256 * 1024}
                           : std::vector<std::size_t>{4093, 256 * 1024};
        for (const std::size_t writeFeeding : feedings) {
            SCOPED_TRACE(std::to_string(size) + " bytes written in pieces of " +
                         std::to_string(writeFeeding));
            const std::string file = writeInPieces(builder, source, writeFeeding);
            EXPECT_EQ(file.size(), encodedBodyLength(payload) + 6);
            EXPECT_TRUE(test::referenceOpenProtected(file, password) == source);
            for (const std::size_t readFeeding : feedings) {
                const Read read = readInPieces(reader, file, keys.provider(), readFeeding);
                EXPECT_EQ(read.verdict, ProtectedVerdict::Restored) << readFeeding;
                EXPECT_TRUE(read.restored == source) << readFeeding;
            }
        }
    }
    EXPECT_TRUE(std::all_of(keys.asked.begin(), keys.asked.end(),
                            [](const auto& asked) { return asked == cheapParameters(); }));
}

TEST(ProtectedBuilder, WritesTheLayoutByteForByte) {
    ProtectedParameters parameters{{}, cheapCost};
    for (std::uint8_t i = 0; i < 16; ++i) {
        parameters.salt[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    const ProtectedKey key = ProtectedKey::derive(password, parameters);
    std::vector<std::uint8_t> source(100);
    std::iota(source.begin(), source.end(), std::uint8_t{0});

    const std::string file = buildProtected(source, key, parameters);
    const auto payload = test::referencePayloadOf(file);
    ASSERT_TRUE(payload.has_value());
    ASSERT_EQ(payload->size(), 32 + 24 + 100 + 17);
    const std::vector<std::uint8_t> head = {'T',  'A',  'R',  'V',  'E',  'X',  'P',  '1',
                                            1,    0,    0,    0,    0x00, 0x20, 0,    0,
                                            0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
                                            0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF};
    EXPECT_EQ(std::vector<std::uint8_t>(payload->begin(), payload->begin() + 32), head);
    // 173 bytes are 232 characters: three full lines and four characters, then the marker.
    EXPECT_EQ(file.size(), 3 * 78 + 4 + 6);
    for (std::size_t line = 0; line < 3; ++line) {
        EXPECT_EQ(file.substr(line * 78 + 76, 2), "\r\n");
    }
    EXPECT_EQ(file.substr(3 * 78 + 4), "$$$$\r\n");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 4);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\r'), 4);

    // Every container has a stream header of its own; the head is the run's.
    const auto again = test::referencePayloadOf(buildProtected(source, key, parameters));
    ASSERT_TRUE(again.has_value());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), again->begin()));
    EXPECT_FALSE(std::equal(payload->begin() + 32, payload->begin() + 56, again->begin() + 32));

    // A payload of two lines' bytes (57 each) puts the marker on a line of its own.
    const std::vector<std::uint8_t> short41(41, 7);
    const std::string lined = buildProtected(short41, key, parameters);
    EXPECT_EQ(lined.size(), 2 * 78 + 6);
    EXPECT_EQ(lined.substr(76, 2), "\r\n");
    EXPECT_EQ(lined.substr(2 * 78 - 2), "\r\n$$$$\r\n");
    EXPECT_EQ(test::referenceOpenProtected(lined, password), short41);
    Keys keys(password);
    const Read read = readInPieces(lined, keys.provider());
    EXPECT_EQ(read.verdict, ProtectedVerdict::Restored);
    EXPECT_EQ(read.restored, short41);
}

// The character of the text that stands for the payload's byte `at`.
std::size_t textIndexOf(std::size_t at) {
    const std::size_t character = at / 3 * 4;
    return character + character / bodyLineCharacters * 2;
}

TEST(ProtectedReader, ChangedContainersGiveTheirVerdictAndNothingThatDidNotOpen) {
    using enum ProtectedVerdict;
    std::mt19937_64 random(test::testSeed(32));
    const auto source = test::randomBytes(random, 3 * piece + 1002);
    const std::string file = buildProtected(source, cheapKey(), cheapParameters());
    const std::vector<std::uint8_t> payload = test::referencePayloadOf(file).value();
    // Where the payload's piece `index` begins, as a size and in `bytes`.
    const auto pieceAt = [](std::size_t index) {
        return payloadFrontBytes + index * fullCipherPieceBytes;
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
    const auto crafted = [&](const std::vector<test::ReferencePiece>& pieces) {
        return test::referenceProtectedFile(test::referencePayload(head, key, pieces));
    };
    constexpr auto message = test::referenceMessageTag;
    constexpr auto final = test::referenceFinalTag;
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
        {"cut after the front", changed([&](auto& b) { b.resize(pieceAt(0)); }), Damaged, 0},
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
        {"another magic", changed([](auto& b) { b[7] = '2'; }), Damaged, 0, false},
        {"no opslimit", withCost(0, 8192), Damaged, 0, false},
        {"too high an opslimit", withCost(17, 8192), Damaged, 0, false},
        {"too little memory", withCost(1, 8191), Damaged, 0, false},
        {"too much memory", withCost(1, 1048577), Damaged, 0, false},
        {"shorter than its front", changed([](auto& b) { b.resize(40); }), Damaged, 0, false},
        {"a full piece tagged final", crafted({{sourcePiece(0, piece), final}}), Damaged, 0},
        {"a full final piece and another", crafted({{sourcePiece(0, piece), final}, {{}, final}}),
         Damaged, 0},
        {"the last piece not final",
         crafted({{sourcePiece(0, piece), message}, {sourcePiece(1, 1002), message}}), Damaged,
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
    const ProtectedKey otherKey = ProtectedKey::derive(password, otherRun);
    const Read other =
        readInPieces(reader, buildProtected(source, otherKey, otherRun), keys.provider(), 4093);
    EXPECT_EQ(other.verdict, Restored);
    EXPECT_TRUE(other.restored == source);
    EXPECT_EQ(keys.asked, std::vector<ProtectedParameters>{otherRun});

    // A provider that gives up.
    const Read given = readInPieces(
        reader, file, [](const ProtectedParameters&) { return nullptr; }, 4093);
    EXPECT_EQ(given.verdict, NoKey);
    EXPECT_TRUE(given.restored.empty());
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
    const std::string file = buildProtected(source, cheapKey(), cheapParameters());
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

// How a decrypt run's probe tells whether the typed password opens a file.
TEST(ProtectedReader, FirstPieceOnlyStopsOnceTheFirstPieceOpens) {
    std::mt19937_64 random(test::testSeed(34));
    const auto large = test::randomBytes(random, 3 * piece);
    const std::string file = buildProtected(large, cheapKey(), cheapParameters());
    ProtectedReader reader;
    Keys keys(password);
    const Read opened = readInPieces(reader, file, keys.provider(), 4093, true);
    EXPECT_EQ(opened.verdict, ProtectedVerdict::FirstPieceOpened);
    EXPECT_TRUE(std::equal(opened.restored.begin(), opened.restored.end(), large.begin()));
    EXPECT_EQ(opened.restored.size(), piece);
    EXPECT_LT(opened.given, 100'000u);

    Keys wrong("abcdf");
    const Read refused = readInPieces(reader, file, wrong.provider(), 4093, true);
    EXPECT_EQ(refused.verdict, ProtectedVerdict::NotOpened);
    EXPECT_TRUE(refused.restored.empty());

    const std::vector<std::uint8_t> small(100, 9);
    const Read whole = readInPieces(reader, buildProtected(small, cheapKey(), cheapParameters()),
                                    keys.provider(), 4093, true);
    EXPECT_EQ(whole.verdict, ProtectedVerdict::FirstPieceOpened);
    EXPECT_EQ(whole.restored, small);
}

// The same words typed through different input methods open the same containers.
TEST(ProtectedKey, DerivesFromThePassphraseInNormalisationFormC) {
    const std::vector<std::uint8_t> source(10, 3);
    struct Case {
        std::string_view made, typed;
        bool opens;
    };
    const Case cases[] = {
        {"Gr\u00fc\u00dfe", "Gru\u0308\u00dfe", true},                  // a letter and its accent
        {"\ud55c\uae00", "\u1112\u1161\u11ab\u1100\u1173\u11af", true}, // Hangul jamo
        {"e\u0323\u0302", "e\u0302\u0323", true},                       // accents in another order
        {"Gr\u00fc\u00dfe", "Grusse", false},
        {"\ufb01", "fi", false}, // compatibility forms stay apart
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const ProtectedKey key = ProtectedKey::derive(c.made, cheapParameters());
        Keys keys(c.typed);
        const Read read =
            readInPieces(buildProtected(source, key, cheapParameters()), keys.provider());
        EXPECT_EQ(read.verdict == ProtectedVerdict::Restored, c.opens);
    }
    for (const std::string_view invalid : {"abc\xff", "\xc3", "\xed\xa0\x80"}) {
        EXPECT_FALSE(ProtectedKey::derive(invalid, cheapParameters()).valid());
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
            EXPECT_FALSE(ProtectedKey::derive(password, {{}, cost}).valid());
        }
    }
    ProtectedKey key = ProtectedKey::derive(password, cheapParameters());
    EXPECT_TRUE(key.valid());
    const ProtectedKey moved = std::move(key);
    EXPECT_TRUE(moved.valid());
    EXPECT_FALSE(key.valid()); // NOLINT(bugprone-use-after-move): a moved-from key is empty
}

} // namespace
} // namespace tarvex
