// The program entry: the single-instance guard first, then the window when a
// display can be opened, else the command-line route on the console.
#include <iostream>
#include <string>
#include <vector>

#include "app/ConsoleProgram.h"
#include "app/ErrorReport.h"
#include "app/OtherCopies.h"
#include "app/Texts.h"
#include "platform/Arguments.h"
#include "platform/Files.h"
#include "platform/InstanceChannel.h"
#include "platform/InstanceLock.h"
#include "platform/Signals.h"

#ifdef VELMORA_WINDOW
#include "window/WindowProgram.h"
#ifndef _WIN32
#include <X11/Xlib.h>

#include <cstdlib>
#endif
#endif

namespace {

bool displayAvailable() {
#if defined(VELMORA_WINDOW) && defined(_WIN32)
  return true;
#elif defined(VELMORA_WINDOW)
  // Opening the display is silent when it fails; the toolkit's own start would
  // print and exit instead.
  if (Display* display = XOpenDisplay(nullptr)) {
    XCloseDisplay(display);
    return true;
  }
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return wayland != nullptr && *wayland != '\0';
#else
  return false;
#endif
}

// Exit statuses besides the console route's own 0 and 1.
constexpr int kExitNoFiles = 2;
constexpr int kExitAnotherCopy = 3;

}  // namespace

int main(int argc, char** argv) {
  platform::PrepareSignals();
  // Held until the process ends; the system releases it however the process ends.
  const auto guard = platform::TInstanceLock::TryAcquire();
  [[maybe_unused]] const bool display = displayAvailable();
  const std::string name = app::ErrorReportCaption(platform::ExecutablePath());
  std::vector<std::string> arguments = platform::ProgramArguments(argc, argv);

  if (!guard) {
    // A second copy touches nothing itself: the running copy's window takes
    // its files. Only a copy without a window cannot, and that is said.
    const std::vector<std::string> files(arguments.begin() + (arguments.empty() ? 0 : 1),
                                         arguments.end());
    if (platform::HandToRunningCopy(files)) return 0;
    std::cerr << name << app::texts::kAnotherCopyRunning << '\n';
    return kExitAnotherCopy;
  }
#ifdef VELMORA_WINDOW
  if (display) {
    std::vector<char*> utf8Argv;
    for (std::string& argument : arguments) utf8Argv.push_back(argument.data());
    utf8Argv.push_back(nullptr);
    return window::RunWindowProgram(static_cast<int>(arguments.size()), utf8Argv.data(),
                                    app::ListenForOtherCopies());
  }
#endif
  if (arguments.size() < 2) {
    std::cerr << name << app::texts::kNoDisplayNoFiles << '\n';
    return kExitNoFiles;
  }
  arguments.erase(arguments.begin());
  return app::RunConsoleProgram(arguments, std::cout, std::cerr);
}
