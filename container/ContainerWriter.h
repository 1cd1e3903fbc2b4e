#pragma once

#include "codec/Base64Body.h"
#include "codec/Base64Kernels.h"
#include "container/ContainerLayout.h"
#include "container/HighLevelSteps.h"
#include "container/KeyGenerator.h"
#include "container/Sinks.h"
#include "container/UnwrittenGrowth.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// Text held in memory as it is made; it grows without its new room being written twice.
using HeldText = std::vector<char, UnwrittenGrowth<char>>;

// Writes container files one after another. The source comes in pieces of any size; each piece
// is encoded, run through the High level steps and handed on while it is still in the
// processor's cache. Neither the source nor the text is ever held whole: the builder keeps the
// text of the piece in hand only, in a buffer that it keeps from file to file.
//
// It draws four characters from the generator: key, then filler. A High level container adds its
// body, as encoded and followed by CR LF, to the scratch text it is given, and takes the line
// breaks out of the body it writes. A body shorter than the 20 characters the layout moves (a
// source of 12 bytes or less) is filled up with "." first, which decoding passes over, so every
// container reads back to its source.
class ContainerBuilder {
public:
    // Encodes and marks with the kernels of `path`, which must be supported.
    explicit ContainerBuilder(CodecPath path = fastestCodecPath());

    // Begins the next container of `level`, a class that is not enciphered, and draws its key
    // character. `file` receives the container file as it is made; a class that marks "/" adds
    // the body for the scratch file to `scratch` as it encodes it, straight into its place.
    void start(ContainerClass level, std::string_view password, KeyGenerator& generator,
               TextSink file, HeldText* scratch);
    // Adds the next bytes of the source.
    void append(std::span<const std::uint8_t> piece);
    // Ends the container and draws its filler characters.
    void finish();

private:
    // Encodes `bytes`, whole lines of 57 bytes or the source's last few, behind the text so far;
    // at High level, behind the scratch text too.
    void encodeLines(std::span<const std::uint8_t> bytes);
    // Keeps the body's first characters for the trailer and puts the password field in their
    // place; the text must hold them.
    void takeHead();
    // Hands the text before `end` to the file sink, beginning with the password field.
    void handOn(std::size_t end);

    const CodecKernels* kernels_;
    SlashMarking marking_;
    ContainerClass level_ = ContainerClass::Standard;
    KeyGenerator* generator_ = nullptr;
    TextSink file_;
    HeldText* scratch_ = nullptr;
    char key_ = 0;
    std::string field_;

    // The body from `textStart_` on that is not handed on yet: with its line breaks (Standard),
    // or without them (High level).
    std::vector<char, UnwrittenGrowth<char>> text_;
    std::size_t textStart_ = 0;
    bool headTaken_ = false;
    std::array<char, headLength> head_{}; // the body's first characters, which the field replaces
    // The source bytes of a line that the pieces so far have not completed.
    std::array<std::uint8_t, bodyLineBytes> lineStart_{};
    std::size_t lineStartCount_ = 0;
};

// The container file of a source held whole, with its scratch body handed to `scratch` in one
// piece; see ContainerBuilder.
std::string buildContainer(std::span<const std::uint8_t> source, ContainerClass level,
                           std::string_view password, KeyGenerator& generator,
                           const TextSink& scratch);

} // namespace tarvex
