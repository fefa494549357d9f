// A run with switches: always on the console, never the window, never a
// hand-over to a running copy.
#pragma once

#include <iosfwd>

#include "app/CommandLine.h"

namespace app {

// Runs `line` and returns the exit status (app/ExitStatus.h). A run that
// writes files takes the single-instance lock first and does nothing while
// another copy holds it; a check and the filter write no file and need none.
// The settings file is read, never written.
int RunCommandLine(const TCommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace app
