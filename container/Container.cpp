#include "Container.h"

#include "Base64Body.h"
#include "Password.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tarvex {

namespace {

constexpr std::size_t headLength = 20;    // body characters moved to the end
constexpr std::size_t fieldLength = 20;   // password field at the front
constexpr std::size_t trailerLength = 28; // moved head, key, filler and marker
constexpr std::size_t keyFromEnd = 8;
constexpr int shiftModulus = 9;
constexpr int followerCycle = 5;
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

// Copies [first, last) to `out` without its CR and LF characters and returns the end of the copy.
// `out` may be `first` itself, to remove them in place.
char* copyWithoutLineBreaks(const char* first, const char* last, char* out) {
    while (first != last) {
        const char* const lineEnd = std::find_if(first, last, isLineBreak);
        const auto length = static_cast<std::size_t>(lineEnd - first);
        std::memmove(out, first, length);
        out += length;
        first = std::find_if_not(lineEnd, last, isLineBreak);
    }
    return out;
}

// Turns every "/" that is not the last character and has no "/" beside it into "\".
void markSlashes(std::span<char> body) {
    const std::string_view text(body.data(), body.size());
    // The last character is never examined; a search that finds nothing gives npos, beyond it.
    const std::size_t lastPosition = body.empty() ? 0 : body.size() - 1;
    for (std::size_t i = text.find(slash); i < lastPosition; i = text.find(slash, i + 1)) {
        if (body[i + 1] != slash && (i == 0 || body[i - 1] != slash)) {
            body[i] = mark;
        }
    }
}

// Moves the character after each "\" by the shift amount: down (`direction` -1) when writing,
// up (+1) when reading. The amount starts at 1 and then follows the position of the last "\".
void shiftFollowers(std::span<char> body, int direction) {
    const std::string_view text(body.data(), body.size());
    const std::size_t lastPosition = body.empty() ? 0 : body.size() - 1;
    int shift = 1;
    for (std::size_t i = text.find(mark); i < lastPosition; i = text.find(mark, i + 1)) {
        const auto moved = static_cast<unsigned char>(body[i + 1]) + direction * shift;
        body[i + 1] = static_cast<char>(static_cast<unsigned char>(moved));
        shift = static_cast<int>((i + 1) % followerCycle);
    }
}

void unmarkSlashes(std::span<char> body) {
    std::replace(body.begin(), body.end(), mark, slash);
}

// Moves the first 20 characters of `text` behind the others (the writer's layout).
void moveHeadToEnd(std::span<char> text) {
    std::array<char, headLength> head{};
    std::copy_n(text.begin(), headLength, head.begin());
    std::copy(text.begin() + headLength, text.end(), text.begin());
    std::copy(head.begin(), head.end(), text.end() - headLength);
}

// Moves the last 20 characters of `text` before the others (the reader's reassembly).
void moveTailToFront(std::span<char> text) {
    std::array<char, headLength> tail{};
    std::copy_n(text.end() - headLength, headLength, tail.begin());
    std::copy_backward(text.begin(), text.end() - headLength, text.end());
    std::copy(tail.begin(), tail.end(), text.begin());
}

} // namespace

std::string buildContainer(std::span<const std::uint8_t> source, ContainerClass level,
                           std::string_view password, KeyGenerator& generator,
                           const ScratchWriter& scratch) {
    // One buffer: the body is encoded behind the place of the password field and rearranged there.
    std::string container;
    container.reserve(fieldLength + std::max(encodedBodyLength(source.size()), headLength) +
                      lineBreak.size() + trailerLength + lineBreak.size());
    container.resize(fieldLength);
    encodeBody(source, container);
    const char key = generator.drawCharacter();
    const int shift = static_cast<unsigned char>(key) % shiftModulus;

    std::string_view marker = standardMarker;
    if (level == ContainerClass::HighLevel) {
        marker = highLevelMarker;
        container.append(lineBreak);
        scratch(std::string_view(container).substr(fieldLength));
        char* const bodyStart = container.data() + fieldLength;
        const char* const bodyEnd =
            copyWithoutLineBreaks(bodyStart, container.data() + container.size(), bodyStart);
        container.resize(static_cast<std::size_t>(bodyEnd - container.data()));
        const std::span<char> body(container.data() + fieldLength, container.size() - fieldLength);
        markSlashes(body);
        shiftFollowers(body, -1);
    }
    if (container.size() < fieldLength + headLength) {
        container.resize(fieldLength + headLength, bodyFiller);
    }
    moveHeadToEnd({container.data() + fieldLength, container.size() - fieldLength});
    container.replace(0, fieldLength, passwordField(password, shift));
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
    std::string text = joinContainerLines(fileText);
    const std::size_t n = text.size();

    // The body is the moved head (before the key and filler) followed by the rest (between the
    // password field and the trailer). In a full container the two lie side by side and change
    // places in the text itself. A text too short for that has no rest: the head alone, with
    // its bounds clamped to the text.
    std::span<char> body;
    if (n > fieldLength + trailerLength) {
        body = {text.data() + fieldLength, n - fieldLength - keyFromEnd};
        moveTailToFront(body);
    } else {
        const std::size_t headStart = n > trailerLength ? n - trailerLength : 0;
        const std::size_t headEnd = n > keyFromEnd ? n - keyFromEnd : 0;
        body = {text.data() + headStart, headEnd - headStart};
    }

    if (std::string_view(text).ends_with(highLevelMarker)) {
        shiftFollowers(body, +1);
        unmarkSlashes(body);
    }
    std::vector<std::uint8_t> bytes;
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
