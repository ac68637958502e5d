#include "platform/CommandLine.h"

namespace korvane {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace korvane
