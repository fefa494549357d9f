// The program with a display, minus the single-instance guard, for the tests
// that run it as a process of its own.
#include "window/WindowProgram.h"

int main(int argc, char** argv) { return window::RunWindowProgram(argc, argv); }
