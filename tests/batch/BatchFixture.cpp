#include "BatchFixture.h"

namespace tarvex::testing {

std::string BatchTest::source(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = temp / name;
    writeFile(path, bytes);
    return path;
}

void BatchTest::encryptAll(const std::vector<std::string>& paths, ContainerClass level,
                           bool appendSuffix) {
    ASSERT_EQ(runs.encrypt(paths, level, appendSuffix).end, RunEnd::Completed);
}

} // namespace tarvex::testing
