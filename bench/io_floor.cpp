// The file work of an encrypt run without the container code: every source is sized and read
// in pieces through the program's file layer, and a file as long as its Standard container is
// written piece by piece as the source comes in; with --scratch the same text goes to the scratch
// file too, as a High level run writes it.
// What an encrypt run costs beyond this is the container code's; what this costs beyond cp is
// the price of writing containers a third larger than their sources.
// Usage: tarvex-io-floor [--scratch] OUTPUT_FOLDER FILE...
#include "codec/Base64Body.h"
#include "files/FileSystem.h"
#include "files/PathParts.h"
#include "texts/Wording.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const bool withScratch = argc > 1 && std::string_view(argv[1]) == "--scratch";
    const int first = withScratch ? 2 : 1;
    if (argc < first + 1) {
        std::fprintf(stderr, "usage: tarvex-io-floor [--scratch] OUTPUT_FOLDER FILE...\n");
        return 2;
    }
    const std::string folder = argv[first];
    tarvex::FileSystem& files = tarvex::localFileSystem();
    // Beyond its body a container holds the body's first 20 characters again (the password field
    // takes their place), key, filler and marker (8) and CR LF.
    constexpr std::size_t containerExtra = 20 + 8 + 2;
    // Text for the pieces, written as a run writes them: the text of each piece as it is read.
    std::vector<std::uint8_t> text;
    try {
        for (int i = first + 1; i < argc; ++i) {
            const std::string path = argv[i];
            if (files.readableSize(path).reason) {
                continue;
            }
            const auto container =
                files.createFile(folder + "/" + tarvex::namePart(path), path, {}, {});
            const std::unique_ptr<tarvex::FileWriter> scratch =
                withScratch ? files.openScratch([] { return true; }) : nullptr;
            std::size_t sourceBytes = 0;
            std::size_t written = 0;
            const std::string next = i + 1 < argc ? argv[i + 1] : "";
            files.readFile(path, next, {}, [&](std::span<const std::uint8_t> piece) {
                sourceBytes += piece.size();
                const std::size_t upTo = tarvex::encodedBodyLength(sourceBytes);
                text.resize(std::max(text.size(), upTo - written), 'A');
                container->write(std::span(text).first(upTo - written));
                if (scratch) {
                    scratch->write(std::span(text).first(upTo - written));
                }
                written = upTo;
                return true;
            });
            container->write(std::vector<std::uint8_t>(containerExtra, 'A'));
            container->complete();
            if (scratch) {
                scratch->write(std::vector<std::uint8_t>(2, 'A'));
                scratch->complete();
            }
        }
    } catch (const tarvex::FileError& error) {
        std::fprintf(stderr, "%s\n", tarvex::worded(error, tarvex::englishTable()).c_str());
        return 1;
    }
    return 0;
}
