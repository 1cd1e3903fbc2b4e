#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// The folder part of `path`: everything up to and including its last "/"; empty without one.
std::string folderPart(std::string_view path);

// The file name part of `path`: everything after its last "/".
std::string namePart(std::string_view path);

} // namespace tarvex
