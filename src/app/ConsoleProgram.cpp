#include "app/ConsoleProgram.h"

#include <exception>

#include "app/ConsoleView.h"
#include "app/Environment.h"
#include "app/ErrorReport.h"
#include "platform/IniFile.h"

namespace app {
namespace {

// Shows an error that stopped the route as the general error report would.
void report(TConsoleView& view, const std::string& exePath, const std::exception& error) {
  view.ShowErrorReport(ErrorReportCaption(exePath), ErrorReportText(error.what()));
}

}  // namespace

int RunConsoleProgram(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
  TProgramEnvironment environment;
  const TFormEnvironment env = environment.Get();
  const std::string exePath = env.exePath;
  TConsoleView view(out, err);
  TFormMain form(view, env);
  view.Attach(form);
  form.FormCreate();

  // The exit status is about the photos: a settings problem is reported once
  // and changes nothing in it.
  bool failed = false;
  try {
    form.FormShow(files);
  } catch (const platform::EIniWriteError& error) {
    report(view, exePath, error);  // the batch ran to its end; only the close failed
  } catch (const std::exception& error) {
    // The window would stay open after the report and write the settings when
    // the user closes it; without a window that close comes right away.
    report(view, exePath, error);
    failed = true;
  }
  if (!view.CloseAttempted()) {
    try {
      view.Close();
    } catch (const std::exception& error) {
      report(view, exePath, error);
    }
  }
  return failed || form.FilesNotWritten() > 0 ? 1 : 0;
}

}  // namespace app
