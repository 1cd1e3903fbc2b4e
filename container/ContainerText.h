#pragma once

#include "container/ContainerLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tarvex {

// Receives text as it is made, a part at a time; a part is valid during its call only.
using TextReceiver = std::function<void(std::string_view)>;

// The text of a container file as the reader and the probe take it, made a piece of the file at a
// time. Two things that editors and transfers add to a text file are taken out, since no container
// holds them: a UTF-8 byte order mark in front, and blanks and tabs at the end of a line (before
// its CR or LF, or at the end of the file). The text ends at the first `endByte`: the reader stops
// at a Ctrl-Z, the probe at a NUL. Everything else is kept as it is, line breaks included.
//
// Blanks and tabs are held back until what follows them is known. Of a long run of them only the
// last few characters are kept as they are and the others are given as blanks: the probe looks at
// the key character (8th from the end) as it is, but any other blank or tab counts the same as
// any other to the reader and the probe alike, so a run costs no memory however long it is.
class ContainerText {
public:
    explicit ContainerText(char endByte) : endByte_(endByte) {}

    // Begins the next file, or a part of a file from `atFileStart` false on (where no byte order
    // mark is looked for).
    void start(bool atFileStart = true);
    // Gives `text` the text of the next piece of the file, in one part or more. A piece that holds
    // no blank, tab or end byte is given as it is.
    void take(std::span<const std::uint8_t> piece, const TextReceiver& text);
    // Gives `text` what the end of the file leaves of the text held back.
    void finish(const TextReceiver& text);
    // Whether the end byte has come: nothing after it is text.
    bool ended() const { return ended_; }
    // Whether the text so far held a byte that no container holds: a control character other
    // than CR, LF and tab, or a code above 126 (a byte order mark in front aside).
    bool foreign() const { return foreign_; }

private:
    // Passes over the bytes of a byte order mark at the front of `bytes`; false when the piece is
    // all the beginning of one, so that the next piece decides.
    bool passByteOrderMark(std::string_view& bytes);
    // Takes a piece that holds blanks, tabs or the end byte, or follows blanks held back.
    void takeWithBlanks(std::string_view bytes, const TextReceiver& text);
    // Adds the blanks and tabs held back to the text of the piece.
    void releaseHeld(const TextReceiver& text);
    // Gives the text of the piece made so far.
    void flush(const TextReceiver& text);

    char endByte_;
    bool ended_ = false;
    bool foreign_ = false;
    bool atFileStart_ = true;
    std::size_t markMatched_ = 0; // bytes of a byte order mark seen at the start of the file
    std::size_t heldBlanks_ = 0;
    std::string heldEnd_; // the last keyFromEnd blanks and tabs held back, as they are
    std::string made_;    // the text of the piece so far, when it is not the piece itself
};

// The last 28 characters of a text (line breaks not counted) that comes a part at a time: the
// moved head, the key, the filler and the marker when the text is a container.
class TextWindow {
public:
    void clear() { size_ = 0; }

    // Adds the characters of `text`; the characters that are no longer among the last 28 are
    // given to `leave` in their order, first those of the window, then the front of `text`
    // itself, which may hold line breaks.
    void add(std::string_view text, const TextReceiver& leave);

    std::string_view characters() const { return {chars_.data(), size_}; }

private:
    std::array<char, trailerLength> chars_{};
    std::size_t size_ = 0;
};

} // namespace tarvex
