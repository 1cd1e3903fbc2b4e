#pragma once

// Seen by the sources of the Protected writer and reader only, so that the public headers stay
// free of libsodium's.

#include "protected/ProtectedLayout.h"

#include <sodium.h>

namespace tarvex {

static_assert(streamHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(pieceOverhead == crypto_secretstream_xchacha20poly1305_ABYTES);

// The state of a container's enciphered stream. It holds a key of its own made from the
// container's, so it is wiped when the container ends and when it goes.
struct StreamState {
    crypto_secretstream_xchacha20poly1305_state state;

    void wipe() { sodium_memzero(&state, sizeof state); }
    ~StreamState() { wipe(); }
};

} // namespace tarvex
