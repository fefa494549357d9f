// The program entry: a run with switches goes to the console at once; plain
// file names take the single-instance guard first, then the window when a
// display can be opened, else the command-line route on the console.
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/CommandLineRun.h"
#include "app/ConsoleProgram.h"
#include "app/ErrorReport.h"
#include "app/ExitStatus.h"
#include "app/Language.h"
#include "app/Texts.h"
#include "platform/AppData.h"
#include "platform/Arguments.h"
#include "platform/Files.h"
#include "platform/InstanceChannel.h"
#include "platform/InstanceLock.h"
#include "platform/PlatformTexts.h"
#include "platform/Signals.h"
#include "platform/StandardStreams.h"

#if defined(VELMORA_WINDOW_MODULE)
#include <cstdlib>

#include "platform/ProgramModule.h"
#elif defined(VELMORA_WINDOW)
#include "app/OtherCopies.h"
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

// The module opens the channel for second copies itself.
int runWindowProgram(int argc, char** argv) { return windowRun(argc, argv); }
#elif defined(VELMORA_WINDOW)
bool displayAvailable() { return true; }  // Windows: the window is linked in
int runWindowProgram(int argc, char** argv) {
  return window::RunWindowProgram(argc, argv, app::ListenForOtherCopies());
}
#endif

}  // namespace

int main(int argc, char** argv) {
  platform::PrepareSignals();
  // Before anything is printed; the window chooses it again in its module.
  app::UseChosenLanguage(platform::ExecutablePath(), platform::AppDataFolder());
  std::vector<std::string> arguments = platform::ProgramArguments(argc, argv);
  {
    const app::TCommandLine line =
        app::ParseCommandLine({arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end()});
    if (line.switched) {
      // A script's run: it must neither show the window nor end up in one
      // that is open, and its text must reach the console it was started from.
      platform::AttachParentConsole();
      return app::RunCommandLine(line, std::cout, std::cerr);
    }
  }
  // Held until the process ends; the system releases it however the process ends.
  const platform::TLockResult guard = platform::TInstanceLock::TryAcquire();
  const std::string name = app::ErrorReportCaption(platform::ExecutablePath());

  if (guard.outcome == platform::TLockOutcome::AnotherCopy) {
    // A second copy touches nothing itself: the running copy's window takes
    // its files. Only a copy without a window cannot, and that is said.
    const std::vector<std::string> files(arguments.begin() + (arguments.empty() ? 0 : 1),
                                         arguments.end());
    if (platform::HandToRunningCopy(files)) return 0;
    std::cerr << platform::FormatText(app::texts::kAnotherCopyRunning, {name}) << '\n';
    return app::kExitAnotherCopy;
  }
#if defined(VELMORA_WINDOW) || defined(VELMORA_WINDOW_MODULE)
  if (displayAvailable()) {
    // The window reads the same UTF-8 arguments as the console route.
    std::vector<char*> utf8Argv;
    utf8Argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) utf8Argv.push_back(argument.data());
    utf8Argv.push_back(nullptr);
    return runWindowProgram(static_cast<int>(arguments.size()), utf8Argv.data());
  }
#endif
  if (arguments.size() < 2) {
    std::cerr << platform::FormatText(app::texts::kNoDisplayNoFiles, {name}) << '\n';
    return app::kExitUsage;
  }
  arguments.erase(arguments.begin());
  return app::RunConsoleProgram(arguments, std::cout, std::cerr);
}
