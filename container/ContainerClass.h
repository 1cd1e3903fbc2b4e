#pragma once

// The container classes, one row each. Everything that differs from class to class is read from
// here: the runs take each class's flags from its row, the front ends its name.

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tarvex {

enum class ContainerClass { Standard, HighLevel, Protected };

// How long a class's passwords are, for its rule (see checkPassword) and for the texts that
// state it.
struct PasswordLimits {
    std::size_t least;
    std::size_t most;
    // Counted in the UTF-8 bytes of the passphrase in normalisation form C; otherwise in
    // characters. (The designed classes count their least in bytes: the same for every password
    // they accept, which is printable ASCII.)
    bool countsBytes;
};

struct ClassRow {
    ContainerClass id;
    // What the class is called on the command line and in the tests: "standard", "high"...
    std::string_view name;
    // The last four characters of every container of the class.
    std::string_view marker;
    // The body is the source's Base64 with the password field at the front (Standard, High
    // level), or the enciphered source that only the password opens (Protected): a run derives
    // its key first, and a container of the class is found out when it is changed.
    bool enciphered;
    // The writer takes the body's line breaks out, keeps the body as encoded in the scratch
    // file, and marks the lone "/"; the reader undoes the marks.
    bool marksSlashes;
    // Sources of 5000 KB or more are left out.
    bool sizeLimited;
    PasswordLimits passwordLimits;
    // What the class's container names end in after their source's name ("IMG 1.JPG.tvx"): its
    // own file type on the desktop. Empty for a class whose containers take their source's name
    // as it is, or with the "E" the user chooses.
    std::string_view fileType;
    // A container of the class records its source's name and time, which restore it whatever the
    // container is called: its name may be one that says nothing.
    bool recordsName;
};

inline constexpr std::array<ClassRow, 3> containerClasses{{
    {ContainerClass::Standard, "standard", "****", false, false, true, {5, 10, false}, "", false},
    {ContainerClass::HighLevel, "high", "@@@@", false, true, true, {5, 10, false}, "", false},
    {ContainerClass::Protected,
     "protected",
     "$$$$",
     true,
     false,
     false,
     {1, 1024, true},
     ".tvx",
     true},
}};

// The most that any class's password may be. A password typed in more characters than this is
// too long, unless letters and their accents were typed apart (form C joins them): an entry that
// takes one character more refuses, rather than cuts, every longer password typed composed.
inline constexpr std::size_t longestPassword = [] {
    std::size_t longest = 0;
    for (const ClassRow& row : containerClasses) {
        longest = std::max(longest, row.passwordLimits.most);
    }
    return longest;
}();

// Every class's marker is this long.
inline constexpr std::size_t markerLength = 4;

static_assert([] {
    for (std::size_t i = 0; i < containerClasses.size(); ++i) {
        if (static_cast<std::size_t>(containerClasses[i].id) != i ||
            containerClasses[i].marker.size() != markerLength) {
            return false;
        }
    }
    return true;
}());

inline constexpr const ClassRow& classRow(ContainerClass id) {
    return containerClasses[static_cast<std::size_t>(id)];
}

// The class whose marker `text` ends in, if any.
inline constexpr std::optional<ContainerClass> classOfEnd(std::string_view text) {
    for (const ClassRow& row : containerClasses) {
        if (text.ends_with(row.marker)) {
            return row.id;
        }
    }
    return std::nullopt;
}

} // namespace tarvex
