#include "container/HighLevelSteps.h"

#include "codec/SlashMask.h"

#include <algorithm>
#include <array>

namespace tarvex {

namespace {

constexpr char slash = '/';
constexpr char mark = '\\';
constexpr std::size_t followerCycle = 5;

// Where `slash` stands in the last `length` characters of `text`, fewer than 64, as slashMask
// gives it.
std::uint64_t lastSlashes(const char* text, std::size_t length, char slash) {
    std::array<char, slashMaskCharacters> block{};
    std::copy_n(text, length, block.begin());
    return slashMask(block.data(), slash);
}

// Where `slash` stands in `body` from `at` on, 64 characters at most, as slashMask gives it.
inline std::uint64_t slashesFrom(std::span<const char> body, std::size_t at, char slash) {
    const std::size_t length = body.size() - at;
    return length >= slashMaskCharacters ? slashMask(body.data() + at, slash)
                                         : lastSlashes(body.data() + at, length, slash);
}

// Marks the "/" at `i` of `body` and lowers the character after it by `shift`.
inline void markSlash(char* body, std::size_t i, std::size_t shift) {
    body[i] = mark;
    body[i + 1] = static_cast<char>(static_cast<unsigned char>(body[i + 1]) - shift);
}

// Blocks of 64 characters whose marks are listed before any of them is made.
constexpr std::size_t blocksPerRound = 64;
// The marks of a round, as positions from its start. A block holds at most 32 ("/" and another
// character in turn), and listing may write beyond the marks it lists.
using MarkList =
    std::array<std::uint16_t, blocksPerRound * slashMaskCharacters / 2 + placesAlwaysWritten>;
// The same when reading, where any block of a text may be all "\".
using ReadMarkList =
    std::array<std::uint16_t, blocksPerRound * slashMaskCharacters + placesAlwaysWritten>;

// k mod 5 for every k that a round needs.
constexpr auto inFollowerCycle = [] {
    std::array<std::uint8_t, blocksPerRound * slashMaskCharacters + followerCycle> table{};
    for (std::size_t k = 0; k < table.size(); ++k) {
        table[k] = static_cast<std::uint8_t>(k % followerCycle);
    }
    return table;
}();

// Makes the first `count` of `marks`, listed for the round at `roundAt` of a body whose position
// `start` is at `body`; gives the shift after them.
inline std::size_t makeMarks(char* body, std::size_t start, std::size_t roundAt,
                             const MarkList& marks, std::size_t count, std::size_t shift) {
    // The shift after a mark at `roundAt` + m is (start + roundAt + m + 1) mod 5.
    const std::size_t roundCycle = (start + roundAt + 1) % followerCycle;
    for (std::size_t k = 0; k < count; ++k) {
        markSlash(body, roundAt + marks[k], shift);
        shift = inFollowerCycle[roundCycle + marks[k]];
    }
    return shift;
}

} // namespace

void SlashMarking::start() {
    markedTo_ = 0;
    slashBefore_ = 0;
    shift_ = 1;
}

// The "/" of a block are found 64 characters at a time, before the marks of the block before it
// can change its first character. Until the body is complete, a block is marked only once the
// block after it is complete too.
//
// The work goes in rounds of up to 64 blocks: first the marks of every block of the round are
// listed, then they are made one after another. A block holds one mark on average and any
// number is common, so a loop over the marks of each block by itself would guess its end wrong
// at nearly every block.
std::size_t SlashMarking::mark(std::span<char> body, std::size_t start, bool last) {
    const std::size_t lastPosition = body.empty() ? 0 : body.size() - 1; // never examined
    std::size_t at = markedTo_ - start;
    std::uint64_t slashes = blockSlashes_;
    std::uint64_t slashBefore = slashBefore_;
    std::size_t shift = shift_;
    if (markedTo_ == 0 && !body.empty()) {
        slashes = slashesFrom(body, 0, slash); // the body's first block
    }
    MarkList marks;
    std::size_t roundAt = at;
    std::size_t count = 0;
    // Lists the marks of the block at `at`, of which `examined` are looked at, and moves on.
    const auto judgeBlock = [&](std::uint64_t nextSlashes, std::uint64_t examined) {
        const std::uint64_t lone = loneSlashes(slashes, slashBefore, nextSlashes) & examined;
        count += listBits(lone, static_cast<std::uint16_t>(at - roundAt), &marks[count]);
        slashBefore = slashes >> 63;
        slashes = nextSlashes;
        at += slashMaskCharacters;
    };
    while (last ? at < lastPosition : at + 2 * slashMaskCharacters <= body.size()) {
        roundAt = at;
        count = 0;
        std::size_t block = 0;
        // Blocks followed by a whole block, then, at the end of the body, the rest. The round's
        // first block goes by the "/" found before the last round's marks were made; the blocks
        // after it are still as encoded, and the kernels list them.
        if (at + 2 * slashMaskCharacters <= body.size()) {
            judgeBlock(slashMask(body.data() + at + slashMaskCharacters, slash), ~std::uint64_t{0});
            ++block;
            const std::size_t listed =
                std::min(blocksPerRound - block, (body.size() - at) / slashMaskCharacters - 1);
            if (listed > 0) {
                count += kernels_->listLoneSlashes(body.data() + at, listed,
                                                   static_cast<std::uint16_t>(at - roundAt),
                                                   &marks[count]);
                at += listed * slashMaskCharacters;
                block += listed;
                slashes = slashMask(body.data() + at, slash);
                slashBefore = body[at - 1] == slash ? 1 : 0;
            }
        }
        for (; last && block < blocksPerRound && at < lastPosition; ++block) {
            const std::size_t nextAt = at + slashMaskCharacters;
            const std::size_t examined = std::min(lastPosition - at, slashMaskCharacters);
            judgeBlock(nextAt < body.size() ? slashesFrom(body, nextAt, slash) : 0,
                       examined == slashMaskCharacters ? ~std::uint64_t{0}
                                                       : (std::uint64_t{1} << examined) - 1);
        }
        shift = makeMarks(body.data(), start, roundAt, marks, count, shift);
    }
    markedTo_ = start + at;
    blockSlashes_ = slashes;
    slashBefore_ = slashBefore;
    shift_ = shift;
    return last ? body.size() : at;
}

void SlashUnmarking::start() {
    position_ = 0;
    shift_ = 1;
    followerNext_ = false;
}

// As in the writer, the "\" of up to 64 blocks are listed first and then handled one after
// another. A follower that was "\" or has become one (never in a container as written) makes the
// list wrong from there on: the text is looked at again from that follower on, one block at a
// time until a round goes through, so that no text makes the work grow beyond a block per mark.
void SlashUnmarking::unmark(std::span<char> body) {
    if (body.empty()) {
        return;
    }
    if (followerNext_) {
        body[0] = static_cast<char>(static_cast<unsigned char>(body[0]) + followerShift_);
        followerNext_ = false;
    }
    ReadMarkList marks;
    std::size_t at = 0;
    std::size_t roundBlocks = blocksPerRound;
    while (at < body.size()) {
        const std::size_t roundAt = at;
        std::size_t count = 0;
        for (std::size_t block = 0; block < roundBlocks && at < body.size(); ++block) {
            count += listBits(slashesFrom(body, at, mark), static_cast<std::uint16_t>(at - roundAt),
                              &marks[count]);
            at += slashMaskCharacters;
        }
        roundBlocks = blocksPerRound;
        // The shift after a mark at `roundAt` + m is (position + roundAt + m + 1) mod 5.
        const std::size_t roundCycle = (position_ + roundAt + 1) % followerCycle;
        for (std::size_t n = 0; n < count; ++n) {
            const std::size_t i = roundAt + marks[n];
            body[i] = slash;
            const std::size_t shift = shift_;
            shift_ = inFollowerCycle[roundCycle + marks[n]];
            if (i + 1 == body.size()) {
                followerShift_ = shift;
                followerNext_ = true;
                break;
            }
            char& follower = body[i + 1];
            const bool wasMark = follower == mark;
            follower = static_cast<char>(static_cast<unsigned char>(follower) + shift);
            if (wasMark || follower == mark) [[unlikely]] {
                at = i + 1;
                roundBlocks = 1;
                break;
            }
        }
    }
    position_ += body.size();
}

} // namespace tarvex
