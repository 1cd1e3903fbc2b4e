#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tarvex::testing {

// A new, empty folder below the system's temporary folder, removed with everything in it when
// the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's full path, without a separator at its end.
    const std::string& path() const { return path_; }
    // The full path of `name` inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFile(const std::string& path);
// The names of the entries of `folder`; none when it is not there.
std::set<std::string> namesIn(const std::string& folder);
// `size` bytes of a fixed pseudo-random pattern drawn from `seed`.
std::vector<std::uint8_t> patternBytes(std::size_t size, unsigned seed);

} // namespace tarvex::testing
