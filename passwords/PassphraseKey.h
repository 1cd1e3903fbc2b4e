#pragma once

#include "protected/ProtectedKey.h"

#include <string_view>

namespace tarvex {

// The key of the passphrase `typed` for `parameters`: derived from its UTF-8 bytes in Unicode
// normalisation form C, so that the same words typed through different input methods give the
// same key. Not valid when `typed` is not valid UTF-8 (which the passphrase rules refuse before),
// when memory runs out, or when the cost is not accepted. Safe to call from any thread.
ProtectedKey keyOfPassphrase(std::string_view typed, const ProtectedParameters& parameters);

} // namespace tarvex
