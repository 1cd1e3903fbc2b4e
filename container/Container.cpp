#include "Container.h"

#include "Base64Body.h"
#include "Password.h"

#include <algorithm>

namespace tarvex {

namespace {

constexpr std::size_t headLength = 20;    // body characters moved to the end
constexpr std::size_t fieldLength = 20;   // password field at the front
constexpr std::size_t trailerLength = 28; // moved head, key, filler and marker
constexpr std::size_t keyFromEnd = 8;
constexpr int shiftModulus = 9;
constexpr int followerCycle = 5;
constexpr char slash = '/';
constexpr char mark = '\\';
constexpr char endOfInput = 26;

// Fills a body shorter than the moved head. It is neither an accepted Base64 character nor one
// that the High level steps look at, so decoding passes over it and unshifting leaves it alone.
constexpr char bodyFiller = '.';

// Turns every "/" that is not the last character and has no "/" beside it into "\".
void markSlashes(std::string& body) {
    for (std::size_t i = 0; i + 1 < body.size(); ++i) {
        if (body[i] == slash && body[i + 1] != slash && (i == 0 || body[i - 1] != slash)) {
            body[i] = mark;
        }
    }
}

// Moves the character after each "\" by the shift amount: down (`direction` -1) when writing,
// up (+1) when reading. The amount starts at 1 and then follows the position of the last "\".
void shiftFollowers(std::string& body, int direction) {
    int shift = 1;
    for (std::size_t i = 0; i + 1 < body.size(); ++i) {
        if (body[i] == mark) {
            const auto moved = static_cast<unsigned char>(body[i + 1]) + direction * shift;
            body[i + 1] = static_cast<char>(static_cast<unsigned char>(moved));
            shift = static_cast<int>((i + 1) % followerCycle);
        }
    }
}

void unmarkSlashes(std::string& body) {
    std::replace(body.begin(), body.end(), mark, slash);
}

} // namespace

std::string buildContainer(std::span<const std::uint8_t> source, ContainerClass level,
                           std::string_view password, KeyGenerator& generator,
                           const ScratchWriter& scratch) {
    std::string body;
    encodeBody(source, body);
    const char key = generator.drawCharacter();
    const int shift = static_cast<unsigned char>(key) % shiftModulus;

    std::string_view marker = standardMarker;
    if (level == ContainerClass::HighLevel) {
        marker = highLevelMarker;
        body.append("\r\n");
        scratch(body);
        body = joinContainerLines(body);
        markSlashes(body);
        shiftFollowers(body, -1);
    }
    if (body.size() < headLength) {
        body.resize(headLength, bodyFiller);
    }

    const std::string field = passwordField(password, shift);
    std::string container;
    container.reserve(body.size() + trailerLength + 2);
    container.append(field);
    container.append(body, headLength);
    container.append(body, 0, headLength);
    container.push_back(key);
    for (int i = 0; i < 3; ++i) {
        container.push_back(generator.drawCharacter());
    }
    container.append(marker);
    container.append("\r\n");
    return container;
}

std::string joinContainerLines(std::string_view fileText) {
    fileText = fileText.substr(0, fileText.find(endOfInput));
    std::string text;
    text.reserve(fileText.size());
    std::copy_if(fileText.begin(), fileText.end(), std::back_inserter(text),
                 [](char c) { return c != '\r' && c != '\n'; });
    return text;
}

std::vector<std::uint8_t> readContainer(std::string_view fileText) {
    const std::string text = joinContainerLines(fileText);
    const std::string_view t = text;
    const std::size_t n = t.size();

    // The moved head stands before the key and filler; the rest of the body between the password
    // field and the trailer. A text too short for that takes what the bounds clamped to it hold.
    const std::size_t headStart = n > trailerLength ? n - trailerLength : 0;
    const std::size_t headEnd = n > keyFromEnd ? n - keyFromEnd : 0;
    const std::size_t restEnd = n > trailerLength ? n - trailerLength : 0;
    std::string body(t.substr(headStart, headEnd - headStart));
    if (restEnd > fieldLength) {
        body.append(t.substr(fieldLength, restEnd - fieldLength));
    }

    if (t.ends_with(highLevelMarker)) {
        shiftFollowers(body, +1);
        unmarkSlashes(body);
    }
    std::vector<std::uint8_t> bytes;
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
