#pragma once

#include "codec/Base64Kernels.h"
#include "container/ContainerClass.h"
#include "container/ContainerText.h"
#include "container/HighLevelSteps.h"
#include "container/Sinks.h"
#include "container/UnwrittenGrowth.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// The last bytes of a file from which ContainerReader::expect knows the end of its text, but for
// a file whose end is damaged (many blank lines, a Ctrl-Z), which is then read twice.
inline constexpr std::size_t containerEndBytes = 4096;

// Reads container files one after another, a piece of the file at a time, in memory that does not
// grow with the file. The text of the file (see ContainerText; a Ctrl-Z ends it) without its line
// breaks is the password field, the body from its 21st character on, the body's first 20
// characters, the key, the filler and the level marker. The body is decoded from its first
// character on, and those stand near the end of the file: so the reader first expects the end of
// the text from the end of the file, and then reads the file from its start. Once it has read it,
// it knows whether the text ended as expected; only a text cut short by a Ctrl-Z (or a file that
// changed while it was read) does not, and is read again, going by the end that was found.
//
// The High level steps are undone for a text that ends in the marker of a class that marks them. A
// text shorter than a container (48 characters) has its moved head alone decoded, the bounds
// clamped to the text.
class ContainerReader {
public:
    // Decodes with the kernels of `path`, which must be supported.
    explicit ContainerReader(CodecPath path = fastestCodecPath());

    // Expects the end of the text from `fileEnd`, the last bytes of the file, which are all of it
    // when `wholeFile`.
    void expect(std::span<const std::uint8_t> fileEnd, bool wholeFile);
    // The class whose marker the text, as expected, ends in.
    std::optional<ContainerClass> endsInMarker() const { return expected_.level; }

    // Begins a reading of the file from its start; the restored bytes go to `restored`.
    void start(ByteSink restored);
    // Reads the next piece of the file. False once the text has ended: the rest is not needed.
    bool append(std::span<const std::uint8_t> piece);
    // Whether the text read so far held a byte that no container holds (see ContainerText).
    bool foreignBytes() const { return text_.foreign(); }
    // Ends the reading. True when the text ended as expected, so that what went to `restored` is
    // what the file holds; false when it did not, and the end it has found is now the one
    // expected: the file is then to be read again from start().
    bool finish();

private:
    friend std::optional<ContainerClass> classAtEnd(std::span<const std::uint8_t>, bool);

    // What of the end of a text is needed before its body.
    struct TextEnd {
        std::string head; // the characters the body begins with: 20, or fewer in a short text
        std::optional<ContainerClass> level; // of the marker the text ends in
        bool operator==(const TextEnd&) const = default;
    };
    static TextEnd endOf(const TextWindow& window);
    static TextEnd endOf(std::span<const std::uint8_t> fileEnd, bool wholeFile);

    // Takes the next part of the text.
    void takeText(std::string_view text);
    // Takes the characters that are not among the last 28 of the text: first the password field,
    // which is passed over, then the rest of the body.
    void leave(std::string_view text);
    // Restores the next characters of the body.
    void decode(std::string_view body);

    BodyDecoder decoder_;
    SlashUnmarking unmarking_;
    ContainerText text_{endOfInput};
    TextWindow window_;
    TextEnd expected_;
    ByteSink restored_;
    std::size_t fieldLeft_ = 0; // characters of the password field not passed over yet
    std::vector<char, UnwrittenGrowth<char>> body_;
    std::vector<std::uint8_t, UnwrittenGrowth<std::uint8_t>> bytes_;
};

// The class whose marker the text ends in, from `fileEnd`, the last bytes of a file (all of it
// when `wholeFile`), as ContainerReader::expect finds it.
std::optional<ContainerClass> classAtEnd(std::span<const std::uint8_t> fileEnd, bool wholeFile);

// The source bytes that the whole container file `fileBytes` holds, as ContainerReader reads it.
std::vector<std::uint8_t> readContainer(std::string_view fileBytes);

} // namespace tarvex
