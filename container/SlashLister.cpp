#include "SlashLister.h"

#include "Base64Body.h"
#include "SlashMask.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace tarvex {

namespace {

// The kernels list positions of 16 bits, so a text is listed this many blocks at a time.
constexpr std::size_t blocksPerCall = 1024;

} // namespace

SlashLister::SlashLister(CodecPath path) : kernels_(&kernelsFor(path)) {}

void SlashLister::startSource() {
    slashBefore_ = false;
    onLines_ = true;
}

void SlashLister::list(std::span<const std::uint8_t> piece, ListedSlashes& listed) {
    listed.lines = piece.size() / bodyLineBytes;
    listed.listedEnd = 0;
    listed.positions.clear();
    const std::size_t length = listed.lines * bodyLineCharacters;
    const std::size_t blocks = length / slashMaskCharacters;
    if (!onLines_ || blocks < 2) {
        onLines_ = false;
        return;
    }
    onLines_ = piece.size() % bodyLineBytes == 0;

    broken_.resize(listed.lines * (bodyLineCharacters + 2));
    text_.resize(1 + length);
    char* const text = text_.data() + 1;
    text[-1] = slashBefore_ ? '/' : '.';
    kernels_->encodeLinesTwice(piece.data(), listed.lines, broken_.data(), text);
    slashBefore_ = text[length - 1] == '/';

    // Each block is judged with the block after it, so the last one is left.
    const std::size_t judged = blocks - 1;
    std::array<std::uint16_t, blocksPerCall * slashMaskCharacters / 2 + placesAlwaysWritten> found;
    for (std::size_t block = 0; block < judged; block += blocksPerCall) {
        const std::size_t count =
            kernels_->listLoneSlashes(text + block * slashMaskCharacters,
                                      std::min(blocksPerCall, judged - block), 0, found.data());
        const std::size_t at = block * slashMaskCharacters;
        std::transform(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(count),
                       std::back_inserter(listed.positions),
                       [at](std::uint16_t position) { return at + position; });
    }
    listed.listedEnd = judged * slashMaskCharacters;
}

} // namespace tarvex
