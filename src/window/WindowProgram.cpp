#include "window/WindowProgram.h"

#include <wx/init.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/ConsoleProgram.h"
#include "app/Environment.h"
#include "app/Language.h"
#include "platform/AppData.h"
#include "platform/Files.h"
#include "window/DisplayHold.h"
#include "window/WindowApp.h"
#include "window/WindowHost.h"

namespace window {

int RunWindowProgram(int argc, char** argv, app::TOtherCopies otherCopies) {
  const std::vector<std::string> files(argv + 1, argv + argc);

  // The toolkit sees the program's name only: it would otherwise take
  // arguments such as "--display=x" as its own options and drop them.
  int toolkitArgc = 1;
  char* toolkitArgv[] = {argv[0], nullptr};
  wxApp::SetInstance(new TWindowApp);
  bool started;
  {
    const TDisplayHold hold;
    started = wxEntryStart(toolkitArgc, toolkitArgv);
  }
  if (!started) {
    // The display went away after it was checked: strip on the console, in
    // the language the program has chosen (this module keeps its own choice).
    app::UseChosenLanguage(platform::ExecutablePath(), platform::AppDataFolder());
    return app::RunConsoleProgram(files, std::cout, std::cerr);
  }
  if (wxTheApp->CallOnInit()) {
    app::TProgramEnvironment environment;
    TWindowHost host(environment.Get());
    if (host.Start(files)) {
      host.TakeOtherCopies(std::move(otherCopies));
      wxTheApp->OnRun();
    }
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return 0;
}

}  // namespace window
