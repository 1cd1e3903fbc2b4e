#include "Container.h"

#include "Base64Body.h"
#include "Base64Kernels.h"
#include "Password.h"

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

// Takes the line breaks out of a body that `encodeBody` made of `sourceBytes` bytes, followed
// by one more CR LF: every 76 characters stand one line break further on than the 76 before.
void removeBodyLineBreaks(std::string& body, std::size_t sourceBytes) {
    const std::size_t characters = (sourceBytes + 2) / 3 * 4;
    const std::size_t lines = characters / bodyLineCharacters;
    for (std::size_t line = 1; line <= lines; ++line) {
        const std::size_t length =
            line < lines ? bodyLineCharacters : characters % bodyLineCharacters;
        std::memmove(body.data() + line * bodyLineCharacters,
                     body.data() + line * (bodyLineCharacters + lineBreak.size()), length);
    }
    body.resize(characters);
}

// The writer's High level passes in one scan. Every "/" that is not the last character and has
// no "/" beside it becomes "\", and the character after it is lowered by the shift amount, which
// starts at 1 and then follows the position of the last "\". Marking judges the text as encoded:
// a lowered follower is never looked at again, though it may have become "/".
void markSlashesAndShiftFollowers(std::span<char> body) {
    const std::string_view text(body.data(), body.size());
    // The last character is never examined; a search that finds nothing gives npos, beyond it.
    const std::size_t lastPosition = body.empty() ? 0 : body.size() - 1;
    std::size_t shift = 1;
    std::size_t follower = std::string_view::npos;
    for (std::size_t i = text.find(slash); i < lastPosition; i = text.find(slash, i + 1)) {
        const bool slashBefore = i > 0 && i - 1 != follower && body[i - 1] == slash;
        if (body[i + 1] == slash || slashBefore) {
            continue;
        }
        body[i] = mark;
        follower = i + 1;
        body[i + 1] = static_cast<char>(static_cast<unsigned char>(body[i + 1]) - shift);
        shift = follower % followerCycle;
        i = follower;
    }
}

// The reader's High level passes in one scan: the character after each "\" is raised by the
// shift amount (starting at 1, then following the position of the last "\"), in order, so a
// raised follower that became "\" is handled in its turn; then every "\" becomes "/".
void unshiftFollowersAndUnmark(std::span<char> body) {
    const std::string_view text(body.data(), body.size());
    std::size_t shift = 1;
    for (std::size_t i = text.find(mark); i != std::string_view::npos; i = text.find(mark, i + 1)) {
        if (i + 1 < body.size()) {
            body[i + 1] = static_cast<char>(static_cast<unsigned char>(body[i + 1]) + shift);
            shift = (i + 1) % followerCycle;
        }
        body[i] = slash;
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

std::string buildContainer(std::span<const std::uint8_t> source, ContainerClass level,
                           std::string_view password, KeyGenerator& generator,
                           const ScratchWriter& scratch) {
    // One buffer. The body is encoded at its start; its first 20 characters then give way to the
    // password field and go behind the rest, which already stands where the layout wants it.
    std::string container;
    container.reserve(std::max(encodedBodyLength(source.size()), headLength) + lineBreak.size() +
                      trailerLength + lineBreak.size());
    encodeBody(source, container);
    const char key = generator.drawCharacter();
    const int shift = static_cast<unsigned char>(key) % shiftModulus;

    std::string_view marker = standardMarker;
    if (level == ContainerClass::HighLevel) {
        marker = highLevelMarker;
        container.append(lineBreak);
        scratch(container);
        removeBodyLineBreaks(container, source.size());
        markSlashesAndShiftFollowers(container);
    }
    if (container.size() < headLength) {
        container.resize(headLength, bodyFiller);
    }
    std::array<char, headLength> head{};
    std::copy_n(container.begin(), headLength, head.begin());
    const std::string field = passwordField(password, shift);
    std::copy_n(field.begin(), fieldLength, container.begin());
    container.append(head.data(), head.size());
    container.push_back(key);
    for (int i = 0; i < fillerCharacters; ++i) {
        container.push_back(generator.drawCharacter());
    }
    container.append(marker);
    container.append(lineBreak);
    return container;
}

std::string joinContainerLines(std::string_view fileText) {
    fileText = fileText.substr(0, fileText.find(endOfInput));
    std::string text(fileText.size(), '\0');
    const char* const end =
        copyWithoutLineBreaks(fileText.data(), fileText.data() + fileText.size(), text.data());
    text.resize(static_cast<std::size_t>(end - text.data()));
    return text;
}

std::vector<std::uint8_t> readContainer(std::string_view fileText) {
    fileText = fileText.substr(0, fileText.find(endOfInput));
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
    std::string body(head.size() + parts->rest.size(), '\0');
    std::copy(head.begin(), head.end(), body.begin());
    const char* const end = copyWithoutLineBreaks(
        parts->rest.data(), parts->rest.data() + parts->rest.size(), body.data() + head.size());
    body.resize(static_cast<std::size_t>(end - body.data()));
    if (parts->highLevel) {
        unshiftFollowersAndUnmark(body);
    }
    decodeBody(body, bytes);
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
