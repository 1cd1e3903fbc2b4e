#pragma once

#include <sys/stat.h>

namespace tarvex::testing {

// Sets the process's umask for the life of the object, and puts the earlier one back after.
class Umask {
public:
    explicit Umask(mode_t mask) : previous_(::umask(mask)) {}
    ~Umask() { ::umask(previous_); }
    Umask(const Umask&) = delete;
    Umask& operator=(const Umask&) = delete;

private:
    mode_t previous_;
};

} // namespace tarvex::testing
