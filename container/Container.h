#pragma once

#include "Base64Body.h"
#include "Base64Kernels.h"
#include "KeyGenerator.h"
#include "SlashLister.h"
#include "UnwrittenGrowth.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvex {

enum class ContainerClass { Standard = 0, HighLevel = 1 };

inline constexpr std::string_view standardMarker = "****";
inline constexpr std::string_view highLevelMarker = "@@@@";

// Receives text as it is made, a piece at a time; a piece is valid during its call only.
using TextSink = std::function<void(std::string_view)>;

// Writes container files one after another. The source comes in pieces of any size; each piece
// is encoded, run through the High level steps and handed on while it is still in the
// processor's cache. Neither the source nor the text is ever held whole: the builder keeps the
// text of the piece in hand only, in a buffer that it keeps from file to file.
//
// The container file: password field, body rearranged, key character, three filler characters
// and level marker, then CR LF. It draws four characters from the generator: key, then filler.
// A High level container hands its body, as encoded and followed by CR LF, to its scratch sink,
// and takes the line breaks out of the body it writes. A body shorter than the 20 characters the
// layout moves (a source of 12 bytes or less) is filled up with "." first, which decoding passes
// over, so every container reads back to its source.
class ContainerBuilder {
public:
    // Encodes and lists the High level marks with the kernels of `path`, which must be supported.
    explicit ContainerBuilder(CodecPath path = fastestCodecPath());

    // Begins the next container and draws its key character. `file` receives the container file
    // and `scratch` (High level only) the body for the scratch file, as they are made.
    void start(ContainerClass level, std::string_view password, KeyGenerator& generator,
               TextSink file, TextSink scratch);
    // Adds the next bytes of the source, with the lone "/" of their High level text when they
    // were listed ahead (see SlashLister), which the builder then takes instead of finding them.
    void append(std::span<const std::uint8_t> piece, const ListedSlashes* listed = nullptr);
    // Ends the container and draws its filler characters.
    void finish();

private:
    // Encodes `bytes`, whole lines of 57 bytes or the source's last few, behind the text so far;
    // at High level, behind the scratch text too.
    void encodeLines(std::span<const std::uint8_t> bytes);
    // Hands the scratch text of the piece on; `last` when the source is complete.
    void handOnScratch(bool last);
    // Whether `listed` holds the lone "/" of the text that `piece` adds to the text so far.
    bool continuesText(const ListedSlashes& listed, std::size_t pieceSize) const;
    // Keeps the body's first characters for the trailer and puts the password field in their
    // place; the text must hold them.
    void takeHead();
    // Hands the text before `end` to the file sink, beginning with the password field.
    void handOn(std::size_t end);
    // Marks the "/" of the High level body up to where the text so far allows; at its end with
    // `last`. Gives the end of the text that marking will not change any more.
    std::size_t markSlashes(bool last);
    // The same for a piece whose lone "/" are `listed`, whose text follows `held` characters.
    std::size_t markListed(const ListedSlashes& listed, std::size_t held);

    const CodecKernels* kernels_;
    ContainerClass level_ = ContainerClass::Standard;
    KeyGenerator* generator_ = nullptr;
    TextSink file_;
    TextSink scratch_;
    char key_ = 0;
    std::string field_;

    // The body from `textStart_` on that is not handed on yet: with its line breaks (Standard),
    // or without them (High level).
    std::vector<char, UnwrittenGrowth<char>> text_;
    // The High level body of the piece in hand as encoded, for the scratch sink.
    std::vector<char, UnwrittenGrowth<char>> scratchText_;
    std::size_t textStart_ = 0;
    bool headTaken_ = false;
    std::array<char, 20> head_{}; // the body's first characters, which the field replaces
    // The source bytes of a line that the pieces so far have not completed.
    std::array<std::uint8_t, bodyLineBytes> lineStart_{};
    std::size_t lineStartCount_ = 0;

    // Where the High level marking stands: the first block of the text not marked, the "/" in
    // it as encoded, whether the character before it was "/" as encoded, the shift amount.
    std::size_t markedTo_ = 0;
    std::uint64_t blockSlashes_ = 0;
    std::uint64_t slashBefore_ = 0;
    std::size_t shift_ = 1;
};

// The container file of a source held whole, with its scratch body handed to `scratch` in one
// piece; see ContainerBuilder.
std::string buildContainer(std::span<const std::uint8_t> source, ContainerClass level,
                           std::string_view password, KeyGenerator& generator,
                           const TextSink& scratch);

// The part of a container file that the reader reads: a Ctrl-Z ends the input.
std::string_view readerText(std::string_view fileText);

// The text of a container file with its line breaks taken out: a line ends at CR LF or a lone
// LF, a lone CR is dropped, and a Ctrl-Z ends the input.
std::string joinContainerLines(std::string_view fileText);

// The source bytes that the container file `fileText` holds. The High level steps are undone
// only for a text that ends in "@@@@". Never reads outside the text: for a text shorter than a
// container (48 characters) the bounds of the moved head and the rest are clamped to it, and
// what they hold is decoded.
std::vector<std::uint8_t> readContainer(std::string_view fileText);

// The path of the container of `sourcePath`: its folder, `folderName`, a separator, its name
// and `suffix`.
std::string containerPath(std::string_view sourcePath, std::string_view folderName,
                          std::string_view suffix);

} // namespace tarvex
