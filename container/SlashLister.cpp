#include "SlashLister.h"

#include "Base64Body.h"
#include "SlashMask.h"

#include <algorithm>
#include <array>

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
    listed.count = 0;
    const std::size_t length = listed.lines * bodyLineCharacters;
    const std::size_t blocks = length / slashMaskCharacters;
    if (!onLines_ || blocks < 2) {
        onLines_ = false;
        return;
    }
    onLines_ = piece.size() % bodyLineBytes == 0;

    if (listed.lines > lineCapacity_) {
        broken_.reset(new char[listed.lines * (bodyLineCharacters + 2)]);
        text_.reset(new char[1 + listed.lines * bodyLineCharacters]);
        lineCapacity_ = listed.lines;
    }
    char* const text = text_.get() + 1;
    text[-1] = slashBefore_ ? '/' : '.';
    kernels_->encodeLinesTwice(piece.data(), listed.lines, broken_.get(), text);
    slashBefore_ = text[length - 1] == '/';

    // Each block is judged with the block after it, so the last one is left.
    const std::size_t judged = blocks - 1;
    const std::size_t needed = judged * slashMaskCharacters / 2;
    if (needed > listed.capacity) {
        listed.positions.reset(new std::uint32_t[needed]);
        listed.capacity = needed;
    }
    std::array<std::uint16_t, blocksPerCall * slashMaskCharacters / 2 + placesAlwaysWritten> found;
    for (std::size_t block = 0; block < judged; block += blocksPerCall) {
        const std::size_t count =
            kernels_->listLoneSlashes(text + block * slashMaskCharacters,
                                      std::min(blocksPerCall, judged - block), 0, found.data());
        const std::size_t at = block * slashMaskCharacters;
        std::transform(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(count),
                       listed.positions.get() + listed.count,
                       [at](std::uint16_t position) { return at + position; });
        listed.count += count;
    }
    listed.listedEnd = judged * slashMaskCharacters;
}

} // namespace tarvex
