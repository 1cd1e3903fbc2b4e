#pragma once

#include "container/ClassFormat.h"

#include <memory>

namespace tarvex {

// The writers of the two designed classes, and their one reader.
std::unique_ptr<ContainerWriting> newStandardWriting();
std::unique_ptr<ContainerWriting> newHighLevelWriting();
std::unique_ptr<ContainerReading> newDesignedReading();

} // namespace tarvex
