// The program with a display, minus the single-instance guard, for the tests
// that run it as a process of its own. Like the program's entry it first
// probes the display with a connection of its own and closes it again.
#include "window/WindowProgram.h"

// Last: its macros (None, Status, ...) would rename names in the headers above.
#include <X11/Xlib.h>

int main(int argc, char** argv) {
  if (Display* display = XOpenDisplay(nullptr)) XCloseDisplay(display);
  return window::RunWindowProgram(argc, argv);
}
