// The probe on any file content, whole and a byte at a time alike. The input's first byte gives
// the length (0 to 10) of the typed password that follows it; the rest is the file. A container
// that the writer makes of the file's bytes with a legal password is always found and always
// matches that password, also after a byte order mark and trailing blanks were added to it.
#include "container/ContainerWriter.h"
#include "container/Password.h"
#include "container/Probe.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

void expectFoundAndMatching(std::string_view text, std::string_view password) {
    const tarvex::ProbeResult probe = tarvex::probeContainer(text, password);
    if (!probe.containerFound || !probe.passwordMatches) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = std::min<std::size_t>(input.size(), data[0] % 11);
    const std::string_view password = input.substr(0, split);
    const std::string_view file = input.substr(split);
    const tarvex::ProbeResult whole = tarvex::probeContainer(file, password);
    tarvex::ContainerProbe probe;
    for (std::size_t at = 0; at < file.size(); ++at) {
        if (!probe.append({reinterpret_cast<const std::uint8_t*>(file.data()) + at, 1})) {
            break;
        }
    }
    const tarvex::ProbeResult inPieces = probe.result(password);
    if (inPieces.containerFound != whole.containerFound ||
        inPieces.passwordMatches != whole.passwordMatches) {
        std::abort();
    }

    if (tarvex::checkPassword(password).problem != tarvex::PasswordProblem::None) {
        return 0;
    }
    for (auto level : {tarvex::ContainerClass::Standard, tarvex::ContainerClass::HighLevel}) {
        tarvex::KeyGenerator generator;
        const std::string container = tarvex::buildContainer(bytesOf(file), level, password,
                                                             generator, [](std::string_view) {});
        expectFoundAndMatching(container, password);
        std::string damaged = "\xEF\xBB\xBF" + container;
        damaged.insert(damaged.size() - 2, " \t");
        expectFoundAndMatching(damaged, password);
    }
    return 0;
}
