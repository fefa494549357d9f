// The program without a display: the command-line route with the console view.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace app {

// Strips `files` with the stored settings and writes the settings back.
// Returns 0 when every file was stripped and written, 1 otherwise.
int RunConsoleProgram(const std::vector<std::string>& files, std::ostream& out, std::ostream& err);

}  // namespace app
