#pragma once

#include "Base64Body.h"
#include "KeyGenerator.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvex {

enum class ContainerClass { Standard = 0, HighLevel = 1 };

inline constexpr std::string_view standardMarker = "****";
inline constexpr std::string_view highLevelMarker = "@@@@";

// Receives the body text that a High level container writes to the scratch file.
using ScratchWriter = std::function<void(std::string_view)>;

// An allocator for a vector that grows without writing its new elements, for a buffer whose
// every new character is written right after it grows.
template <typename T> struct UnwrittenGrowth : std::allocator<T> {
    template <typename U> struct rebind { using other = UnwrittenGrowth<U>; };
    template <typename U> void construct(U* place) noexcept { ::new (static_cast<void*>(place)) U; }
    template <typename U, typename... Args> void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

// Builds the container files of a run one after another in one buffer that it keeps, so a run
// neither allocates nor clears memory per file. The source comes in pieces of any size, so it
// need not be held whole: each piece is encoded as it comes.
class ContainerBuilder {
public:
    // Makes room for the container of a source of `sourceBytes` bytes. The room is kept, so this
    // allocates only for a source larger than every one before.
    void reserve(std::size_t sourceBytes);
    // Begins the next container.
    void start();
    // Adds the next bytes of the source.
    void append(std::span<const std::uint8_t> piece);
    // The complete content of the container file: password field, body rearranged, key
    // character, three filler characters and level marker, then CR LF. Draws four characters from
    // `generator`: key, then filler. A High level container hands its body, as encoded and
    // followed by CR LF, to `scratch` before it takes the line breaks out. A body shorter than
    // the 20 characters the layout moves (a source of 12 bytes or less) is filled up with "."
    // first, which decoding passes over, so every container reads back to its source. The text
    // stays valid until the next `start`.
    std::string_view finish(ContainerClass level, std::string_view password,
                            KeyGenerator& generator, const ScratchWriter& scratch);

private:
    // Encodes `bytes`, whole lines of 57 bytes or the source's last few, behind the text so far.
    void encode(std::span<const std::uint8_t> bytes);

    std::vector<char, UnwrittenGrowth<char>> text_;
    // The source bytes of a line that the pieces so far have not completed.
    std::array<std::uint8_t, bodyLineBytes> lineStart_{};
    std::size_t lineStartCount_ = 0;
    std::size_t sourceBytes_ = 0;
};

// The container of a source held whole; see ContainerBuilder::finish.
std::string buildContainer(std::span<const std::uint8_t> source, ContainerClass level,
                           std::string_view password, KeyGenerator& generator,
                           const ScratchWriter& scratch);

// The text of a container file with its line breaks taken out: a line ends at CR LF or a lone
// LF, a lone CR is dropped, and a Ctrl-Z ends the input.
std::string joinContainerLines(std::string_view fileText);

// The source bytes that the container file `fileText` holds. The High level steps are undone
// only for a text that ends in "@@@@". Never reads outside the text: for a text shorter than a
// container (48 characters) the bounds of the moved head and the rest are clamped to it, and
// what they hold is decoded.
std::vector<std::uint8_t> readContainer(std::string_view fileText);

// The path of the container of `sourcePath`: its folder, `folderName`, a separator, its name
// and `suffix`.
std::string containerPath(std::string_view sourcePath, std::string_view folderName,
                          std::string_view suffix);

} // namespace tarvex
