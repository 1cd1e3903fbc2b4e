#include "Container.h"

#include "Base64Body.h"
#include "Base64Kernels.h"
#include "Password.h"
#include "SlashMask.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace tarvex {

namespace {

constexpr std::size_t headLength = 20;    // body characters moved to the end
constexpr std::size_t fieldLength = 20;   // password field at the front
constexpr std::size_t trailerLength = 28; // moved head, key, filler and marker
constexpr std::size_t keyFromEnd = 8;
constexpr int shiftModulus = 9;
constexpr std::size_t followerCycle = 5;
constexpr int fillerCharacters = 3;
constexpr std::string_view lineBreak = "\r\n";
constexpr char slash = '/';
constexpr char mark = '\\';
constexpr char endOfInput = 26;

// Fills a body shorter than the moved head. It is neither an accepted Base64 character nor one
// that the High level steps look at, so decoding passes over it and unshifting leaves it alone.
constexpr char bodyFiller = '.';

bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// The first CR or LF in [first, last), or `last`.
const char* findLineBreak(const char* first, const char* last) {
    const auto* lf = static_cast<const char*>(std::memchr(first, '\n', last - first));
    const char* const bound = lf != nullptr ? lf : last;
    const auto* cr = static_cast<const char*>(std::memchr(first, '\r', bound - first));
    return cr != nullptr ? cr : bound;
}

// Copies [first, last) to `out` without its CR and LF characters and returns the end of the copy.
// `out` may be `first` itself, to remove them in place.
char* copyWithoutLineBreaks(const char* first, const char* last, char* out) {
    while (first != last) {
        const char* const lineEnd = findLineBreak(first, last);
        const auto length = static_cast<std::size_t>(lineEnd - first);
        std::memmove(out, first, length);
        out += length;
        first = std::find_if_not(lineEnd, last, isLineBreak);
    }
    return out;
}

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

// The reader's High level passes in one scan: the character after each "\" is raised by the
// shift amount (starting at 1, then following the position of the last "\"), in order, so a
// raised follower that became "\" is handled in its turn; then every "\" becomes "/".
//
// As in the writer, the "\" of up to 64 blocks are listed first and then handled one after
// another. A follower that was "\" or has become one (never in a container as written) makes the
// list wrong from there on: the text is looked at again from that follower on, one block at a
// time until a round goes through, so that no text makes the work grow beyond a block per mark.
void unshiftFollowersAndUnmark(std::span<char> body) {
    ReadMarkList marks;
    std::size_t shift = 1;
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
        // The shift after a mark at `roundAt` + m is (roundAt + m + 1) mod 5.
        const std::size_t roundCycle = (roundAt + 1) % followerCycle;
        for (std::size_t n = 0; n < count; ++n) {
            const std::size_t i = roundAt + marks[n];
            body[i] = slash;
            if (i + 1 == body.size()) {
                break;
            }
            char& follower = body[i + 1];
            const bool wasMark = follower == mark;
            follower = static_cast<char>(static_cast<unsigned char>(follower) + shift);
            shift = inFollowerCycle[roundCycle + marks[n]];
            if (wasMark || follower == mark) [[unlikely]] {
                at = i + 1;
                roundBlocks = 1;
                break;
            }
        }
    }
}

// A character that decoding takes: the Base64 alphabet and "=".
bool isAccepted(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=';
}

// Where the parts of a container stand in its file text, which may hold line breaks anywhere.
struct Parts {
    std::string_view rest;               // after the password field, before the moved head
    std::array<char, headLength> head{}; // the moved head, line breaks taken out
    bool highLevel = false;              // the text ends in "@@@@"
};

// The parts of a text that holds at least the 48 characters (line breaks not counted) of a
// container's fixed fields; nothing for a shorter one.
std::optional<Parts> findParts(std::string_view text) {
    // The last 28 characters: the head, key, filler and marker.
    std::array<const char*, trailerLength> trailer{};
    std::size_t found = 0;
    for (const char* p = text.data() + text.size(); found < trailer.size() && p != text.data();) {
        --p;
        if (!isLineBreak(*p)) {
            trailer[trailer.size() - 1 - found++] = p;
        }
    }
    if (found < trailer.size()) {
        return std::nullopt;
    }
    // The end of the password field: after its 20th character.
    const char* restStart = text.data();
    const char* const headStart = trailer.front();
    for (std::size_t counted = 0; counted < fieldLength; ++restStart) {
        if (restStart == headStart) {
            return std::nullopt;
        }
        counted += isLineBreak(*restStart) ? 0 : 1;
    }
    Parts parts;
    parts.rest = {restStart, static_cast<std::size_t>(headStart - restStart)};
    for (std::size_t i = 0; i < headLength; ++i) {
        parts.head[i] = *trailer[i];
    }
    parts.highLevel = std::all_of(trailer.end() - highLevelMarker.size(), trailer.end(),
                                  [](const char* p) { return *p == highLevelMarker.front(); });
    return parts;
}

// The bytes of a text too short for `findParts`: its head alone, the bounds clamped to the text.
std::vector<std::uint8_t> readShortText(std::string_view fileText) {
    const std::string text = joinContainerLines(fileText);
    const std::size_t n = text.size();
    const std::size_t headStart = n > trailerLength ? n - trailerLength : 0;
    const std::size_t headEnd = n > keyFromEnd ? n - keyFromEnd : 0;
    std::string body = text.substr(headStart, headEnd - headStart);
    if (text.ends_with(highLevelMarker)) {
        unshiftFollowersAndUnmark(body);
    }
    std::vector<std::uint8_t> bytes;
    decodeBody(body, bytes);
    return bytes;
}

} // namespace

ContainerBuilder::ContainerBuilder(CodecPath path) : kernels_(&kernelsFor(path)) {}

void ContainerBuilder::start(ContainerClass level, std::string_view password,
                             KeyGenerator& generator, TextSink file, TextSink scratch) {
    level_ = level;
    generator_ = &generator;
    file_ = std::move(file);
    scratch_ = std::move(scratch);
    key_ = generator.drawCharacter();
    field_ = passwordField(password, static_cast<unsigned char>(key_) % shiftModulus);
    text_.clear();
    textStart_ = 0;
    headTaken_ = false;
    lineStartCount_ = 0;
    markedTo_ = 0;
    slashBefore_ = 0;
    shift_ = 1;
}

void ContainerBuilder::append(std::span<const std::uint8_t> piece, const ListedSlashes* listed) {
    const std::size_t held = text_.size();
    if (listed != nullptr && !continuesText(*listed, piece.size())) {
        listed = nullptr;
    }
    // The line a piece completes and the piece's whole lines go on in one text, so that each
    // sink takes one write per piece.
    if (lineStartCount_ > 0) {
        const std::size_t taken = std::min(piece.size(), lineStart_.size() - lineStartCount_);
        std::copy_n(piece.begin(), taken, lineStart_.begin() + lineStartCount_);
        lineStartCount_ += taken;
        piece = piece.subspan(taken);
        if (lineStartCount_ < lineStart_.size()) {
            return;
        }
        encodeLines(lineStart_);
        lineStartCount_ = 0;
    }
    const std::size_t wholeLines = piece.size() / bodyLineBytes * bodyLineBytes;
    encodeLines(piece.first(wholeLines));
    lineStartCount_ = piece.size() - wholeLines;
    std::copy(piece.begin() + wholeLines, piece.end(), lineStart_.begin());
    handOnScratch(false);
    if (level_ == ContainerClass::Standard) {
        handOn(text_.size());
    } else {
        handOn(listed != nullptr ? markListed(*listed, held) : markSlashes(false));
    }
}

bool ContainerBuilder::continuesText(const ListedSlashes& listed, std::size_t pieceSize) const {
    // The list starts at a line of the source, and the text before it is the one block that
    // marking leaves for the text that follows, or nothing at the start of the body.
    return level_ == ContainerClass::HighLevel && listed.listedEnd > 0 && lineStartCount_ == 0 &&
           listed.lines == pieceSize / bodyLineBytes && markedTo_ == 0 &&
           (text_.size() == slashMaskCharacters || (text_.empty() && textStart_ == 0));
}

void ContainerBuilder::encodeLines(std::span<const std::uint8_t> bytes) {
    if (level_ == ContainerClass::Standard) {
        const std::size_t at = text_.size();
        text_.resize(at + encodedBodyLength(bytes.size()));
        encodeWith(*kernels_, bytes, text_.data() + at);
        return;
    }
    // The scratch text keeps the line breaks; the body loses them as it is encoded.
    const std::size_t lines = bytes.size() / bodyLineBytes;
    const std::size_t scratchAt = scratchText_.size();
    const std::size_t textAt = text_.size();
    scratchText_.resize(scratchAt + encodedBodyLength(bytes.size()));
    text_.resize(textAt + lines * bodyLineCharacters);
    kernels_->encodeLinesTwice(bytes.data(), lines, scratchText_.data() + scratchAt,
                               text_.data() + textAt);
    // The source's last bytes, fewer than a line, make at most a line, with CR LF when it is full.
    const auto rest = bytes.subspan(lines * bodyLineBytes);
    if (!rest.empty()) {
        char* const restAt =
            scratchText_.data() + scratchAt + lines * (bodyLineCharacters + lineBreak.size());
        const char* const end = encodeWith(*kernels_, rest, restAt);
        const auto characters =
            std::min(static_cast<std::size_t>(end - restAt), bodyLineCharacters);
        text_.insert(text_.end(), restAt, restAt + characters);
    }
}

void ContainerBuilder::handOnScratch(bool last) {
    if (level_ != ContainerClass::HighLevel) {
        return;
    }
    // The scratch file's body ends in one more CR LF.
    if (last) {
        scratchText_.insert(scratchText_.end(), lineBreak.begin(), lineBreak.end());
    }
    scratch_({scratchText_.data(), scratchText_.size()});
    scratchText_.clear();
}

// The writer's High level steps. Every "/" that is not the last character and has no "/" beside
// it becomes "\", and the character after it is lowered by the shift amount, which starts at 1
// and then follows the position of the last "\". Marking judges the text as encoded: a lowered
// follower is never looked at again, though it may have become "/". So which "/" are marked
// depends on the encoded text alone (a follower never was a "/"), and they are found 64
// characters at a time; a block's "/" are found before the marks of the block before it can
// change its first character. Until the body is complete, a block is marked only once the block
// after it is complete too.
//
// The work goes in rounds of up to 64 blocks: first the marks of every block of the round are
// listed, then they are made one after another. A block holds one mark on average and any
// number is common, so a loop over the marks of each block by itself would guess its end wrong
// at nearly every block.
std::size_t ContainerBuilder::markSlashes(bool last) {
    const std::span<char> body(text_.data(), text_.size());
    const std::size_t lastPosition = body.empty() ? 0 : body.size() - 1; // never examined
    const std::size_t start = textStart_;
    std::size_t at = markedTo_;
    std::uint64_t slashes = blockSlashes_;
    std::uint64_t slashBefore = slashBefore_;
    std::size_t shift = shift_;
    if (start + at == 0 && !body.empty()) {
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
        // The shift after a mark at `roundAt` + m is (start + roundAt + m + 1) mod 5.
        const std::size_t roundCycle = (start + roundAt + 1) % followerCycle;
        for (std::size_t k = 0; k < count; ++k) {
            markSlash(body.data(), roundAt + marks[k], shift);
            shift = inFollowerCycle[roundCycle + marks[k]];
        }
    }
    markedTo_ = at;
    blockSlashes_ = slashes;
    slashBefore_ = slashBefore;
    shift_ = shift;
    return last ? body.size() : at;
}

// The text is the block held back from the piece before (as encoded), if any, and the piece's
// text. The held block is judged now that the piece's first character is known; the piece's lone
// "/" were listed ahead, but for its last block, which is held back in turn.
std::size_t ContainerBuilder::markListed(const ListedSlashes& listed, std::size_t held) {
    char* const body = text_.data();
    const std::size_t start = textStart_;
    const std::size_t kept = held + listed.listedEnd;
    // The "/" of the block held back next, and of the character before it, as encoded: a mark
    // before it may lower its first character.
    const std::uint64_t keptSlashes = slashMask(body + kept, slash);
    const std::uint64_t keptSlashBefore = body[kept - 1] == slash ? 1 : 0;
    std::size_t shift = shift_;
    const auto markAt = [&](std::size_t i) {
        markSlash(body, i, shift);
        shift = (start + i + 1) % followerCycle;
    };
    if (held > 0) {
        for (std::uint64_t lone =
                 loneSlashes(blockSlashes_, slashBefore_, slashMask(body + held, slash));
             lone != 0; lone &= lone - 1) {
            markAt(static_cast<std::size_t>(__builtin_ctzll(lone)));
        }
    }
    for (const std::uint32_t position : listed.positions) {
        markAt(held + position);
    }
    blockSlashes_ = keptSlashes;
    slashBefore_ = keptSlashBefore;
    shift_ = shift;
    markedTo_ = kept;
    return kept;
}

void ContainerBuilder::takeHead() {
    // The password field takes the place of the body's first characters.
    std::copy_n(text_.begin(), head_.size(), head_.begin());
    std::copy(field_.begin(), field_.end(), text_.begin());
    headTaken_ = true;
}

void ContainerBuilder::handOn(std::size_t end) {
    if (!headTaken_) {
        if (end < head_.size()) {
            return;
        }
        takeHead();
    }
    if (end == 0) {
        return;
    }
    file_({text_.data(), end});
    // What is handed on leaves the buffer, so the next piece's text goes where this one was,
    // still in the cache.
    text_.erase(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(end));
    textStart_ += end;
    markedTo_ -= std::min(markedTo_, end);
}

void ContainerBuilder::finish() {
    encodeLines(std::span(lineStart_).first(lineStartCount_));
    lineStartCount_ = 0;
    handOnScratch(true);
    std::string_view marker = standardMarker;
    if (level_ == ContainerClass::HighLevel) {
        marker = highLevelMarker;
        markSlashes(true);
    }
    if (!headTaken_) {
        if (text_.size() < headLength) {
            text_.resize(headLength, bodyFiller);
        }
        takeHead();
    }
    // The trailer goes out with the rest of the body, in one piece.
    text_.insert(text_.end(), head_.begin(), head_.end());
    text_.push_back(key_);
    for (int i = 0; i < fillerCharacters; ++i) {
        text_.push_back(generator_->drawCharacter());
    }
    text_.insert(text_.end(), marker.begin(), marker.end());
    text_.insert(text_.end(), lineBreak.begin(), lineBreak.end());
    handOn(text_.size());
}

std::string buildContainer(std::span<const std::uint8_t> source, ContainerClass level,
                           std::string_view password, KeyGenerator& generator,
                           const TextSink& scratch) {
    std::string file;
    std::string body;
    ContainerBuilder builder;
    builder.start(
        level, password, generator, [&file](std::string_view text) { file.append(text); },
        [&body](std::string_view text) { body.append(text); });
    builder.append(source);
    builder.finish();
    if (level == ContainerClass::HighLevel) {
        scratch(body);
    }
    return file;
}

std::string_view readerText(std::string_view fileText) {
    return fileText.substr(0, fileText.find(endOfInput));
}

std::string joinContainerLines(std::string_view fileText) {
    fileText = readerText(fileText);
    std::string text(fileText.size(), '\0');
    const char* const end =
        copyWithoutLineBreaks(fileText.data(), fileText.data() + fileText.size(), text.data());
    text.resize(static_cast<std::size_t>(end - text.data()));
    return text;
}

std::vector<std::uint8_t> readContainer(std::string_view fileText) {
    fileText = readerText(fileText);
    const std::optional<Parts> parts = findParts(fileText);
    if (!parts) {
        return readShortText(fileText);
    }
    std::vector<std::uint8_t> bytes;

    // The body is the head followed by the rest. Decoding passes over line breaks, and a head of
    // whole groups ends its last group, so a Standard body decodes where it stands.
    const std::string_view head(parts->head.data(), parts->head.size());
    if (!parts->highLevel && std::count_if(head.begin(), head.end(), isAccepted) % 4 == 0) {
        bytes.reserve(head.size() / 4 * 3 + parts->rest.size() / 4 * 3 + decodeOverrun);
        decodeBody(head, bytes);
        decodeBody(parts->rest, bytes);
        return bytes;
    }
    // Every character of the body is written before it is read.
    std::vector<char, UnwrittenGrowth<char>> body(head.size() + parts->rest.size());
    std::copy(head.begin(), head.end(), body.begin());
    const char* const end = copyWithoutLineBreaks(
        parts->rest.data(), parts->rest.data() + parts->rest.size(), body.data() + head.size());
    body.resize(static_cast<std::size_t>(end - body.data()));
    if (parts->highLevel) {
        unshiftFollowersAndUnmark(body);
    }
    decodeBody({body.data(), body.size()}, bytes);
    return bytes;
}

std::string containerPath(std::string_view sourcePath, std::string_view folderName,
                          std::string_view suffix) {
    const std::size_t nameStart = sourcePath.rfind('/') + 1;
    std::string path(sourcePath.substr(0, nameStart));
    path.append(folderName);
    path.push_back('/');
    path.append(sourcePath.substr(nameStart));
    path.append(suffix);
    return path;
}

} // namespace tarvex
