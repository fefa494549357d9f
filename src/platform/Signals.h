// Process-wide signal behaviour, set once at start-up.
#pragma once

namespace platform {

// Ctrl-C, SIGTERM and SIGHUP remove a temporary file of a save in progress
// (the photo stays wholly old or wholly new) and then end the program with the
// usual status for the signal. A reader of the log that goes away (a closed
// pipe) does not stop the work: writes to it fail instead of killing the
// program. No-op where the platform has no such signals.
void PrepareSignals();

}  // namespace platform
