#pragma once

#include "container/ContainerClass.h"
#include "container/ContainerText.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarvex {

struct ProbeResult {
    std::optional<ContainerClass> level; // of the marker the text ends in
    bool containerFound = false;
    bool passwordMatches = false;
};

// Looks at a file a piece at a time for its level marker and its stored password. Its text (see
// ContainerText) ends at the first NUL; of that text without line breaks the probe needs only the
// password field at the front, and the key and the marker at the end.
class ContainerProbe {
public:
    ContainerProbe();

    // Takes the next piece of the file. False once the text has ended: the rest is not needed.
    bool append(std::span<const std::uint8_t> piece);
    // Once every piece is taken: whether the text ends in a level marker, and whether the
    // password stored in it is `typed`, exactly. An empty text gives false for both; a short one
    // gives what it has.
    ProbeResult result(std::string_view typed);

private:
    void takeText(std::string_view text);

    ContainerText text_;
    std::string front_; // the first characters, up to the password field's length
    TextWindow end_;
};

// ContainerProbe on the whole file content `fileBytes`.
ProbeResult probeContainer(std::string_view fileBytes, std::string_view typed);

} // namespace tarvex
