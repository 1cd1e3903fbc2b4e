#pragma once

#include "Base64Kernels.h"
#include "UnwrittenGrowth.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvex {

// The lone "/" of the High level text of a piece of a source: the text of the piece's whole lines
// as encoded, without line breaks. A "/" is lone when it has no "/" on either side; the writer
// marks exactly these.
struct ListedSlashes {
    std::size_t lines = 0; // the piece's whole lines, whose text the positions refer to
    // Every lone "/" before this position of the text is listed, in increasing order. The
    // characters from here on, the last 64 to 127, are left to the writer, which judges them
    // once it has the text that follows. Zero when nothing is listed.
    std::size_t listedEnd = 0;
    std::vector<std::uint32_t, UnwrittenGrowth<std::uint32_t>> positions;
};

// Lists the lone "/" of a source's High level text piece by piece, as SlashLister::list takes
// them. Which "/" the writer marks depends on the text as encoded alone, so they can be listed
// apart from the writing: on the thread that reads the source, while the writer still works on
// the piece before.
class SlashLister {
public:
    // Encodes and lists with the kernels of `path`, which must be supported.
    explicit SlashLister(CodecPath path = fastestCodecPath());

    // Begins the next source.
    void startSource();

    // Lists into `listed` the lone "/" of the next piece of the source. Every piece but the last
    // must hold whole lines of 57 bytes; after one that does not, nothing more of the source is
    // listed. A piece whose text is shorter than two blocks of 64 characters gets nothing listed,
    // and nothing more of the source is listed either.
    void list(std::span<const std::uint8_t> piece, ListedSlashes& listed);

private:
    const CodecKernels* kernels_;
    std::vector<char, UnwrittenGrowth<char>> broken_; // the encoder makes the text with breaks too
    std::vector<char, UnwrittenGrowth<char>> text_; // one character before the text, then the text
    bool slashBefore_ = false; // the last character of the source's text so far is "/"
    bool onLines_ = true;      // the pieces so far were whole lines and were all listed
};

} // namespace tarvex
