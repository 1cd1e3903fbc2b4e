#include "batch/OutputNames.h"

#include "files/PathParts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <random>

namespace tarvex {
namespace {

bool endsInE(std::string_view name) {
    return !name.empty() && (name.back() == 'E' || name.back() == 'e');
}

bool endsWithIgnoringCase(std::string_view name, std::string_view upperEnding) {
    if (name.size() < upperEnding.size()) {
        return false;
    }
    return std::equal(
        upperEnding.begin(), upperEnding.end(),
        name.end() - static_cast<std::ptrdiff_t>(upperEnding.size()),
        [](char upper, char c) { return upper == std::toupper(static_cast<unsigned char>(c)); });
}

constexpr std::array<std::string_view, 6> imageSuffixesWithE{"JPGE", "GIFE", "BMPE",
                                                             "PNGE", "SVGE", "PSDE"};

} // namespace

std::string hiddenName() {
    constexpr std::string_view characters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, characters.size() - 1);
    std::string name;
    for (int i = 0; i < 16; ++i) {
        name.push_back(characters[pick(random)]);
    }
    return name;
}

std::string numberedName(std::string_view name, int number) {
    const std::size_t dot = name.rfind('.');
    const std::size_t at = dot == std::string_view::npos || dot == 0 ? name.size() : dot;
    return std::string(name.substr(0, at)) + " (" + std::to_string(number) + ")" +
           std::string(name.substr(at));
}

std::string restoredName(std::string_view containerName, bool stripSuffix) {
    std::string name(containerName);
    if (stripSuffix) {
        if (endsInE(name)) {
            // "E", ".E" and "..E" keep it: without it they would name no file, or a folder.
            const std::string_view kept = std::string_view(name).substr(0, name.size() - 1);
            if (!kept.empty() && kept != "." && kept != "..") {
                name.pop_back();
            }
        }
        return name;
    }

    // After a dot, an "E" of either case that makes the part after the first dot longer than
    // three characters was appended. A name without a dot drops only the "E" that is appended,
    // upper case: "readme" stays as it is.
    const auto dot = name.find('.');
    const bool appended = dot == std::string::npos ? name.size() > 3 && name.back() == 'E'
                                                   : endsInE(name) && name.size() - dot - 1 > 3;
    if (appended) {
        name.pop_back();
    }
    for (const std::string_view ending : imageSuffixesWithE) {
        if (endsWithIgnoringCase(name, ending)) {
            name.pop_back();
        }
    }
    return name;
}

} // namespace tarvex
