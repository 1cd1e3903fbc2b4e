// The output naming on any container name: the restored name only ever drops characters from
// the end of the container's name.
#include "batch/OutputNames.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string name(reinterpret_cast<const char*>(data), size);
    std::erase(name, '/');
    std::erase(name, '\0');
    for (bool strip : {false, true}) {
        const std::string restored = tarvex::restoredName(name, strip);
        if (restored.size() > name.size() || name.compare(0, restored.size(), restored) != 0) {
            std::abort();
        }
    }
    return 0;
}
