// The program's command-line arguments in UTF-8, as the rest of the program
// takes every text.
#pragma once

#include <string>
#include <vector>

namespace platform {

// argv[0] first. POSIX: argv as it is. Windows: the wide command line split by
// the system's rules, since main() receives it converted to the ANSI code page,
// where a name outside that code page arrives as "?".
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace platform
