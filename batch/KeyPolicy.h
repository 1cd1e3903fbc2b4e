#pragma once

#include "protected/ProtectedKey.h"
#include "protected/Secret.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <thread>
#include <vector>

namespace tarvex {

// Derives the key of a passphrase for parameters: keyOfPassphrase, or one that counts its calls.
using KeyDerivation = std::function<ProtectedKey(std::string_view, const ProtectedParameters&)>;

// How many times the work of the program's own key (protectedWriteCost) a key of `cost` takes.
double timesWriteCost(ProtectedCost cost);

// When the user decides before a key is derived, for the runs and the viewer alike. A container
// names the cost of its key, and a container of a few hundred bytes can name a derivation of half
// a minute and a gigabyte: beyond four times the program's own, the user decides. So too before a
// fifth key, as each container of another encrypt run needs its own. One for each run or viewing;
// each front end words its questions its own way.
class KeyPolicy {
public:
    static constexpr double costlyTimes = 4;
    static constexpr std::size_t keysWithoutAsking = 4;

    struct Questions {
        // The key costs `times` the program's own: derive it?
        std::function<bool(double times)> costlyKey;
        // `count` keys of other parameters are derived already: derive another?
        std::function<bool(std::size_t count)> manyKeys;
    };

    // Whether the key of `parameters` may be derived, asking what needs asking: the cost before
    // every derivation of a costly key, and more keys once, when a fifth set of parameters comes.
    bool mayDerive(const ProtectedParameters& parameters, const Questions& ask);
    // The key of `parameters` is being derived: it counts among the keys from now on.
    void deriving(const ProtectedParameters& parameters);
    // Forgets the keys counted and the agreement to more.
    void clear();

private:
    std::vector<ProtectedParameters> derived_;
    bool manyAgreed_ = false;
};

// Derives the key of `passphrase` for `parameters` with `derive` (keyOfPassphrase when empty) on
// a thread of its own, off the caller's, and gives it to `done` on that thread. The passphrase
// goes with the thread, in the secret's own memory, and is wiped when the thread ends.
std::thread deriveAside(Secret passphrase, const ProtectedParameters& parameters,
                        KeyDerivation derive, std::function<void(ProtectedKey)> done);

} // namespace tarvex
