#include "container/KeyGenerator.h"

namespace tarvex {

namespace {

constexpr std::uint32_t multiplier = 134775813;
constexpr std::uint64_t characterChoices = 93;
constexpr char firstCharacter = '!';

} // namespace

char KeyGenerator::drawCharacter() {
    state_ = state_ * multiplier + 1;
    const auto draw = (std::uint64_t{state_} * characterChoices) >> 32;
    return static_cast<char>(firstCharacter + static_cast<int>(draw));
}

} // namespace tarvex
