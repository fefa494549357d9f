// The program with a display, after the single-instance guard: the toolkit,
// the main window and its command-line batch, the event loop.
#pragma once

#include "app/OtherCopies.h"

namespace window {

// Exit status 0. Every argument after the program's name is a file to strip.
// `whileOpen` (may be empty) runs now and then while the window stays open.
int RunWindowProgram(int argc, char** argv, app::TFormTask whileOpen = {});

}  // namespace window
