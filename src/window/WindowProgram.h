// The program with a display, after the single-instance guard: the toolkit,
// the main window and its command-line batch, the event loop.
#pragma once

#include "app/OtherCopies.h"

namespace window {

// Exit status 0. Every argument after the program's name is a file to strip.
// Second copies hand their files over through `otherCopies` (may be empty)
// while the window stays open.
int RunWindowProgram(int argc, char** argv, app::TOtherCopies otherCopies = {});

}  // namespace window
