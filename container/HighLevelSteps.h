#pragma once

#include "codec/Base64Kernels.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvex {

// The writer's High level steps on a body without line breaks that comes a piece at a time.
// Every "/" that is not the last character and has no "/" beside it becomes "\", and the
// character after it is lowered by the shift amount, which starts at 1 and then follows the
// position of the last "\" (modulo 5). Which "/" are marked depends on the body as encoded alone:
// a lowered character is never looked at again, though it may have become "/".
class SlashMarking {
public:
    // Lists the marks with the kernels of `kernels`.
    explicit SlashMarking(const CodecKernels& kernels) : kernels_(&kernels) {}

    // Begins the next body.
    void start();

    // Marks `text`, the body from its position `start` on as far as it is known, as far as that
    // is possible before the rest is known; with `last`, `text` holds the rest of the body and
    // all of it is marked. Gives how many characters from the front of `text` marking will not
    // change any more. Every call but the first gives `text` from a `start` at or before the end
    // of what the call before gave.
    std::size_t mark(std::span<char> text, std::size_t start, bool last);

private:
    const CodecKernels* kernels_;
    // The body position of the first block not marked, the "/" in it as encoded, whether the
    // character before it was "/" as encoded, and the shift amount.
    std::size_t markedTo_ = 0;
    std::uint64_t blockSlashes_ = 0;
    std::uint64_t slashBefore_ = 0;
    std::size_t shift_ = 1;
};

// The reader's High level steps, which undo the writer's, on a body without line breaks that
// comes a piece at a time: the character after each "\" is raised by the shift amount, in order,
// so that a raised character that became "\" is handled in its turn; and every "\" becomes "/".
class SlashUnmarking {
public:
    // Begins the next body.
    void start();
    // Undoes the steps on the next characters of the body, in place.
    void unmark(std::span<char> text);

private:
    std::size_t position_ = 0; // of the text's first character in the body
    std::size_t shift_ = 1;
    // The body so far ends in a "\" whose follower is the next character, to be raised by this.
    std::size_t followerShift_ = 0;
    bool followerNext_ = false;
};

} // namespace tarvex
