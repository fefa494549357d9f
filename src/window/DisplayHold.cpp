#include "window/DisplayHold.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#if defined(__WXGTK__) && !defined(_WIN32)
#include <X11/Xlib.h>
#define VELMORA_HOLD_X_DISPLAY 1
#endif

namespace window {

#ifdef VELMORA_HOLD_X_DISPLAY
TDisplayHold::TDisplayHold() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return;  // not on X (or none at all)
  for (int attempt = 0; attempt < 100 && display_ == nullptr; ++attempt) {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TDisplayHold::~TDisplayHold() {
  if (display_ != nullptr) XCloseDisplay(static_cast<Display*>(display_));
}
#else
TDisplayHold::TDisplayHold() = default;
TDisplayHold::~TDisplayHold() = default;
#endif

}  // namespace window
