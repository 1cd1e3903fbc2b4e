#pragma once

#include "protected/ProtectedKey.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

namespace tarvex {

// Asked about every 20 ms while a key is being derived; false gives the wait up.
using KeyWait = std::function<bool()>;

// The keys of the Protected class that a run needs. A key takes about a second and a few hundred
// megabytes to derive, so each is derived on a thread of its own while the caller waits, letting
// the window run meanwhile; and each is kept until the run ends, so that the containers of one
// encrypt run, which share their salt, cost one derivation to read. A derivation that the caller
// gave up goes on to its end in the background, and its key is wiped then; the next derivation
// waits for it (as long as its caller does), so no more than one runs at a time, and one still
// going when the keys go is left to end on its own: a process that ends does not wait for it.
class RunKeys {
public:
    RunKeys() = default;
    ~RunKeys();
    RunKeys(const RunKeys&) = delete;
    RunKeys& operator=(const RunKeys&) = delete;

    enum class Failure { None, GivenUp, OutOfMemory, Declined };

    // The key of `password` for `parameters`, derived unless the run has it already. Null when
    // `wait` gave the wait up or the derivation failed: failure() tells which.
    const ProtectedKey* keyFor(std::string_view password, const ProtectedParameters& parameters,
                               const KeyWait& wait);
    Failure failure() const { return failure_; }
    // A key that the caller decided not to derive.
    void decline() { failure_ = Failure::Declined; }
    // Whether the run has the key for `parameters` already.
    bool holds(const ProtectedParameters& parameters) const;
    // How many keys the run has.
    std::size_t count() const { return keys_.size(); }

    // Wipes the keys of the run, and forgets how its last derivation ended.
    void clear() {
        keys_.clear();
        failure_ = Failure::None;
    }

private:
    struct Derivation;

    // Waits, asking `wait`, until `derivation` has its key; false when the wait was given up.
    static bool waitFor(Derivation& derivation, const KeyWait& wait);

    std::deque<std::pair<ProtectedParameters, ProtectedKey>> keys_; // where a key stays put
    // A derivation that nobody waits for any more, and its thread.
    std::shared_ptr<Derivation> givenUp_;
    std::thread givenUpThread_;
    Failure failure_ = Failure::None;
};

} // namespace tarvex
