// The program with a display, after the single-instance guard: the toolkit,
// the main window and its command-line batch, the event loop.
#pragma once

namespace window {

// Exit status 0. Every argument after the program's name is a file to strip.
int RunWindowProgram(int argc, char** argv);

}  // namespace window
