#include "batch/ProcessSetup.h"
#include "cli/FrontEnd.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    tarvex::keepMemoryPrivate();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return tarvex::runFrontEnd(arguments);
}
