// The command line: GNU-style switches before the files, `--` ending them.
// Plain file names alone are the run the program always had (window when
// there is a display, files handed to a running copy); any switch makes a
// run on the console that never shows the window.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// One option set for this run only: a row of kSettingsRows, on or off.
struct TOptionChoice {
  size_t row;
  bool on;
};

struct TCommandLine {
  bool switched = false;  // a switch was given (`--` and `-` count)
  bool help = false;
  bool version = false;
  bool check = false;                  // read only; say per file what would go
  bool recursive = false;              // walk folder arguments for JPEG files
  bool quiet = false;                  // no trace lines
  bool json = false;                   // JSON Lines on standard output
  bool filter = false;                 // `-`: standard input to standard output
  std::vector<TOptionChoice> options;  // in the order given; a later one wins
  std::vector<std::string> files;
  std::string error;  // what is wrong with the command line, if anything
};

// `args`: the arguments after the program's own name.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text of --help: every switch and the exit statuses.
std::string UsageText(std::string_view program);

}  // namespace app
