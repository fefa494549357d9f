#include "platform/Arguments.h"

namespace platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace platform
