#include "batch/OutputNames.h"

#include "files/PathParts.h"

#include <algorithm>
#include <array>
#include <cctype>

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

std::string containerPath(std::string_view sourcePath, std::string_view folderName,
                          std::string_view suffix) {
    return folderPart(sourcePath) + std::string(folderName) + "/" + namePart(sourcePath) +
           std::string(suffix);
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

    const auto dot = name.find('.');
    const std::size_t dotPosition = dot == std::string::npos ? 0 : dot + 1;
    if (endsInE(name) && name.size() - dotPosition > 3) {
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
