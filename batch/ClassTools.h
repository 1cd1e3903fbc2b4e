#pragma once

#include "container/ClassFormat.h"
#include "container/ContainerClass.h"

#include <memory>

namespace tarvex {

// The writer and the reader of the class `level`, from the room of its format.
std::unique_ptr<ContainerWriting> newWriting(ContainerClass level);
std::unique_ptr<ContainerReading> newReading(ContainerClass level);

} // namespace tarvex
