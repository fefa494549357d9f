// The program entry: the single-instance guard first, then the window when a
// display can be opened, else the command-line route on the console.
#include <iostream>
#include <string>
#include <vector>

#include "app/ConsoleProgram.h"
#include "app/ErrorReport.h"
#include "app/Texts.h"
#include "platform/Files.h"
#include "platform/InstanceLock.h"
#include "platform/Signals.h"

#if defined(VELMORA_WINDOW_MODULE)
#include <cstdlib>

#include "platform/ProgramModule.h"
#elif defined(VELMORA_WINDOW)
#include "window/WindowProgram.h"
#endif

namespace {

#if defined(VELMORA_WINDOW_MODULE)
bool named(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

platform::TWindowRunFn windowRun = nullptr;

// The window module is loaded only when the environment names a display: a
// run without one never loads the toolkit. It then probes the display itself.
// Without the module the files are stripped on the console.
bool displayAvailable() {
  if (!named("DISPLAY") && !named("WAYLAND_DISPLAY")) return false;
  const auto probe = reinterpret_cast<platform::TWindowDisplayFn>(
      platform::ProgramModuleSymbol(platform::kWindowModule, platform::kWindowDisplaySymbol));
  windowRun = reinterpret_cast<platform::TWindowRunFn>(
      platform::ProgramModuleSymbol(platform::kWindowModule, platform::kWindowRunSymbol));
  return probe != nullptr && windowRun != nullptr && probe() != 0;
}

int runWindowProgram(int argc, char** argv) { return windowRun(argc, argv); }
#elif defined(VELMORA_WINDOW)
bool displayAvailable() { return true; }  // Windows: the window is linked in
int runWindowProgram(int argc, char** argv) { return window::RunWindowProgram(argc, argv); }
#else
bool displayAvailable() { return false; }
#endif

// Exit status without a display (the console route itself returns 0 or 1).
constexpr int kExitNoFiles = 2;
constexpr int kExitAnotherCopy = 3;

}  // namespace

int main(int argc, char** argv) {
  platform::PrepareSignals();
  // Held until the process ends; the system releases it however the process ends.
  const auto guard = platform::TInstanceLock::TryAcquire();
  const bool display = displayAvailable();
  const std::string name = app::ErrorReportCaption(platform::ExecutablePath());

  if (!guard) {
    // A second copy touches nothing; with a display it ends silently.
    if (display) return 0;
    std::cerr << name << app::texts::kAnotherCopyRunning << '\n';
    return kExitAnotherCopy;
  }
#if defined(VELMORA_WINDOW) || defined(VELMORA_WINDOW_MODULE)
  if (display) return runWindowProgram(argc, argv);
#endif
  if (argc < 2) {
    std::cerr << name << app::texts::kNoDisplayNoFiles << '\n';
    return kExitNoFiles;
  }
  return app::RunConsoleProgram(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                std::cerr);
}
