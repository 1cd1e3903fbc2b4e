#pragma once

#include <string>

namespace tarvex {

// The name under which to offer to save the source of the container `containerPath`: the name
// it records when it records one, else the container's own without ".tvx", as a decrypt run
// names what it restores.
std::string copyName(const std::string& containerPath, const std::string& recordedName);

} // namespace tarvex
