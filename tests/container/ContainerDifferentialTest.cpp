// The container writer and reader against the plain step-by-step versions, on random sources and
// on container files changed in the ways that leave the reader's fast paths.
#include "ReferenceContainer.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

// Sources with many "/" in their Base64, lone and in runs, so the High level passes have work;
// some have stretches of "/A/A...", as many lone "/" as text can hold.
std::vector<std::uint8_t> slashHeavySource(std::mt19937_64& random, std::size_t size) {
    std::vector<std::uint8_t> bytes = test::randomBytes(random, size);
    for (auto& b : bytes) {
        if (random() % 3 == 0) {
            b = static_cast<std::uint8_t>(0xFF - (random() % 2) * 0x10); // "//" or "/8" runs
        }
    }
    if (size > 0 && random() % 2 == 0) {
        constexpr std::array<std::uint8_t, 3> slashA = {0xFC, 0x0F, 0xC0}; // "/A/A"
        const std::size_t from = random() % size / 3 * 3;
        const std::size_t to = from + random() % (size - from + 1);
        for (std::size_t at = from; at < to; ++at) {
            bytes[at] = slashA[(at - from) % 3];
        }
    }
    return bytes;
}

TEST(ContainerDifferential, WriterEqualsPlainStepsForBothClasses) {
    const std::uint64_t seed = test::testSeed(21);
    std::mt19937_64 random(seed);
    for (int round = 0; round < 600; ++round) {
        const std::size_t size = round < 500 ? random() % 400 : random() % 20000;
        const auto source =
            round % 2 == 0 ? test::randomBytes(random, size) : slashHeavySource(random, size);
        for (const bool highLevel : {false, true}) {
            KeyGenerator generator;
            const std::string file = buildContainer(
                source, highLevel ? ContainerClass::HighLevel : ContainerClass::Standard, "abcde",
                generator, [](std::string_view) {});
            ASSERT_TRUE(file.ends_with("\r\n"));
            const std::string x = file.substr(0, file.size() - 2);
            const std::string expected = test::referenceContainerText(
                source, highLevel, x.substr(0, 20), x.substr(x.size() - 8, 4));
            ASSERT_EQ(x, expected) << "seed " << seed << ", round " << round;
            ASSERT_EQ(readContainer(file), source) << "seed " << seed << ", round " << round;
        }
    }
}

// One builder per codec path, kept from container to container as a run keeps it, fed each
// source in random pieces (empty ones, single bytes, pieces that end inside a line or a group,
// whole lines): container and scratch text are those of the source handed over whole.
TEST(ContainerDifferential, BuilderFedInPiecesEqualsWholeSourceOnEveryCodecPath) {
    const std::uint64_t seed = test::testSeed(22);
    std::mt19937_64 random(seed);
    std::vector<ContainerBuilder> builders;
    for (const CodecPath path : supportedCodecPaths()) {
        builders.emplace_back(path);
    }
    for (int round = 0; round < 600; ++round) {
        ContainerBuilder& builder = builders[round % builders.size()];
        const std::size_t size = round < 300 ? random() % 300 : random() % 40000;
        const auto source = slashHeavySource(random, size);
        const auto level = round % 2 == 0 ? ContainerClass::Standard : ContainerClass::HighLevel;
        std::string wholeScratch;
        KeyGenerator wholeGenerator;
        const std::string whole =
            buildContainer(source, level, "pw 9", wholeGenerator,
                           [&](std::string_view body) { wholeScratch = body; });

        std::string built;
        HeldText pieceScratch;
        KeyGenerator pieceGenerator;
        builder.start(
            level, "pw 9", pieceGenerator, [&](std::string_view text) { built.append(text); },
            &pieceScratch);
        for (std::size_t at = 0; at < size;) {
            const std::size_t piece =
                std::min<std::size_t>(size - at, random() % 3 == 0 ? random() % 4 : random() % 700);
            builder.append(std::span(source).subspan(at, piece));
            at += piece;
        }
        builder.finish();
        ASSERT_EQ(built, whole) << "seed " << seed << ", round " << round;
        ASSERT_EQ(std::string_view(pieceScratch.data(), pieceScratch.size()), wholeScratch)
            << "seed " << seed << ", round " << round;
    }
}

// ContainerReader on `file` as a run reads it: the end of the file first (its last few bytes,
// which may not tell the end of the text), then the file in pieces of any size, read again when
// the text did not end as expected, which takes one more reading at the most.
std::vector<std::uint8_t> readInPieces(std::string_view file, std::mt19937_64& random) {
    ContainerReader reader;
    const std::size_t endBytes = std::min<std::size_t>(file.size(), random() % 80);
    const std::string_view end = file.substr(file.size() - endBytes);
    reader.expect({reinterpret_cast<const std::uint8_t*>(end.data()), end.size()},
                  endBytes == file.size());
    std::vector<std::uint8_t> restored;
    for (int reading = 1;; ++reading) {
        EXPECT_LE(reading, 2) << "the reader did not find the end of its text";
        restored.clear();
        reader.start([&restored](std::span<const std::uint8_t> bytes) {
            restored.insert(restored.end(), bytes.begin(), bytes.end());
        });
        for (std::size_t at = 0; at < file.size();) {
            const std::size_t size = random() % 3 == 0 ? 1 + random() % 4 : 1 + random() % 900;
            const std::string_view piece = file.substr(at, size);
            at += piece.size();
            if (!reader.append(
                    {reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()})) {
                break;
            }
        }
        if (reader.finish() || reading == 2) {
            return restored;
        }
    }
}

// A run of blanks and tabs, longer than the few that the reader keeps as they are.
std::string blanks(std::mt19937_64& random) {
    std::string run(1 + random() % 20, ' ');
    for (char& c : run) {
        c = random() % 2 == 0 ? ' ' : '\t';
    }
    return run;
}

// One change to a container file at a random place.
std::string disturb(std::string file, std::mt19937_64& random) {
    const std::size_t at = file.empty() ? 0 : random() % file.size();
    constexpr std::string_view inserts[] = {"\r\n", "\n", "\r",   "\x1a", "\\",
                                            "/",    "=",  "@@@@", "."};
    switch (random() % 6) {
    case 4: // blanks that an editor adds, at a line's end or anywhere
        file.insert(std::min(file.size(), random() % 2 == 0 ? file.find_first_of("\r\n", at) : at),
                    blanks(random));
        break;
    case 5:
        file.insert(0, "\xEF\xBB\xBF");
        break;
    case 0:
        file.insert(at, inserts[random() % std::size(inserts)]);
        break;
    case 1:
        if (!file.empty()) {
            file.erase(at, 1 + random() % 3);
        }
        break;
    case 2: // the marker of the other class, or none
        if (file.size() >= 6) {
            file.replace(file.size() - 6, 4, random() % 2 == 0 ? "@@@@" : "*@@@");
        }
        break;
    default:
        if (!file.empty()) {
            file[at] = static_cast<char>(random());
        }
        break;
    }
    return file;
}

// The reader, on the file whole and in pieces, against the plain steps.
TEST(ContainerDifferential, ReaderEqualsPlainStepsOnChangedFiles) {
    const std::uint64_t seed = test::testSeed(22);
    std::mt19937_64 random(seed);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t size = round < 2800 ? random() % 300 : random() % 8000;
        KeyGenerator generator;
        std::string file =
            buildContainer(slashHeavySource(random, size),
                           random() % 2 == 0 ? ContainerClass::HighLevel : ContainerClass::Standard,
                           "abcde", generator, [](std::string_view) {});
        const auto changes = random() % 4;
        for (std::size_t i = 0; i < changes; ++i) {
            file = disturb(std::move(file), random);
        }
        const std::vector<std::uint8_t> expected = test::referenceReadContainer(file);
        ASSERT_EQ(readContainer(file), expected) << "seed " << seed << ", round " << round;
        ASSERT_EQ(readInPieces(file, random), expected) << "seed " << seed << ", round " << round;
    }
}

// High level texts thick with "\" and with the characters that a raise of 1 to 4 turns into
// "\", so that raised followers become marks and marks stop being marks, inside blocks of 64
// characters and across their borders.
TEST(ContainerDifferential, ReaderTakesRaisedFollowersAsTheyHaveBecome) {
    const std::uint64_t seed = test::testSeed(23);
    std::mt19937_64 random(seed);
    constexpr char near[] = {'\\', '\\', '[', 'Z', 'Y', 'X', '/', 'A'};
    for (int round = 0; round < 3000; ++round) {
        std::string file(random() % 400, 'A');
        for (char& c : file) {
            c = near[random() % std::size(near)];
        }
        file += "@@@@";
        const std::vector<std::uint8_t> expected = test::referenceReadContainer(file);
        ASSERT_EQ(readContainer(file), expected) << "seed " << seed << ", round " << round;
        ASSERT_EQ(readInPieces(file, random), expected) << "seed " << seed << ", round " << round;
    }
}

} // namespace
} // namespace tarvex
