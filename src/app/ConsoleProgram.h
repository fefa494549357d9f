// The program without a display: the command-line route with the console view.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace app {

// Strips `files` with the stored settings and writes the settings back.
// After the last file one line on `err` counts what became of the files.
// Returns 0 when every file was written or already clean, 1 otherwise.
int RunConsoleProgram(const std::vector<std::string>& files, std::ostream& out, std::ostream& err);

}  // namespace app
