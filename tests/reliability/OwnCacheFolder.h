#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace tarvex::testing {

// Points XDG_CACHE_HOME, and so the scratch folder of this process and of the programs it starts,
// at `folder` while it lives, so that a test sees only the scratch files it made itself.
class OwnCacheFolder {
public:
    explicit OwnCacheFolder(const std::string& folder) {
        if (const char* const value = std::getenv(name)) {
            saved_ = value;
        }
        ::setenv(name, folder.c_str(), 1);
    }
    ~OwnCacheFolder() { saved_ ? ::setenv(name, saved_->c_str(), 1) : ::unsetenv(name); }
    OwnCacheFolder(const OwnCacheFolder&) = delete;
    OwnCacheFolder& operator=(const OwnCacheFolder&) = delete;

private:
    static constexpr const char* name = "XDG_CACHE_HOME";
    std::optional<std::string> saved_;
};

} // namespace tarvex::testing
