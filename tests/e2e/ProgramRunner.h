// Runs the built program as a child process with a chosen environment, current
// folder and user, and collects its exit status and output.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

struct TRunResult {
  int exitStatus = -1;  // -1 when killed by a signal
  std::string out;
  std::string err;
};

struct TRunOptions {
  std::vector<std::string> args;           // after the program's path
  std::map<std::string, std::string> env;  // the whole environment of the child
  std::string cwd;                         // empty: the test's own
  std::optional<uid_t> user;               // run as this user (and its group) when set
  bool outputReaderGone = false;           // standard output: a pipe whose reader has gone
  std::string outputFile;  // StartProgram: standard output goes to this file, else nowhere
};

TRunResult RunProgram(const std::string& program, const TRunOptions& options);

// A run kept inside the folder `root`: home, settings and runtime folders
// below it, root/photos as the current folder, and the sanitizer settings of
// the test run passed on.
TRunOptions IsolatedOptions(const std::string& root, std::vector<std::string> args);

// Starts the program and returns its pid without waiting; output is discarded.
pid_t StartProgram(const std::string& program, const TRunOptions& options);
// Waits for a child started by StartProgram; the exit status or -1 after a signal.
int WaitProgram(pid_t pid);

}  // namespace velmora::test
