#pragma once

#include "container/ClassFormat.h"

#include <memory>

namespace tarvex {

// The writer and the reader of the Protected class behind the interfaces of a class.
std::unique_ptr<ContainerWriting> newProtectedWriting();
std::unique_ptr<ContainerReading> newProtectedReading();

} // namespace tarvex
