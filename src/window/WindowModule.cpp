// The window module: the toolkit and everything that needs it, loaded by the
// program only when the environment names a display.
#include <cstdlib>
#include <type_traits>

#include "app/OtherCopies.h"
#include "platform/ProgramModule.h"
#include "window/WindowProgram.h"

// Last: its macros (None, Status, ...) would rename names in the headers above.
#include <X11/Xlib.h>

#define VELMORA_EXPORT extern "C" __attribute__((visibility("default")))

VELMORA_EXPORT int VelmoraWindowDisplay() {
  // Opening the display is silent when it fails; the toolkit's own start
  // would print and exit instead.
  if (Display* display = XOpenDisplay(nullptr)) {
    XCloseDisplay(display);
    return 1;
  }
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return wayland != nullptr && *wayland != '\0' ? 1 : 0;
}

// The window opens the channel that second copies hand their files to.
VELMORA_EXPORT int VelmoraWindowRun(int argc, char** argv) {
  return window::RunWindowProgram(argc, argv, app::ListenForOtherCopies());
}

// The program calls them through these types.
static_assert(std::is_same_v<decltype(&VelmoraWindowDisplay), platform::TWindowDisplayFn>);
static_assert(std::is_same_v<decltype(&VelmoraWindowRun), platform::TWindowRunFn>);
