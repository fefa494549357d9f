// The program with a display, minus the single-instance guard, for the tests
// that run it as a process of its own. Like the program's entry it first
// probes the display with a connection of its own and closes it again.
#include <X11/Xlib.h>

#include "window/WindowProgram.h"

int main(int argc, char** argv) {
  if (Display* display = XOpenDisplay(nullptr)) XCloseDisplay(display);
  return window::RunWindowProgram(argc, argv);
}
