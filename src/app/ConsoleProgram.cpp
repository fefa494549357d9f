#include "app/ConsoleProgram.h"

#include <exception>
#include <ostream>

#include "app/ConsoleView.h"
#include "app/Environment.h"
#include "app/ErrorReport.h"
#include "engine/PathRules.h"
#include "platform/IniFile.h"
#include "platform/Translation.h"

namespace app {
namespace {

// On a terminal the general error report stands far from the lines of the
// file it stopped at, so it names that file first.
std::string stoppedAtPrefix(const TFormMain& form) {
  if (form.StoppedAt().empty()) return {};
  return ExifData::FileNameOf(form.StoppedAt()) + ": ";
}

}  // namespace

bool RunConsoleBatch(TFormMain& form, TConsoleView& view, const std::vector<std::string>& files) {
  // The exit status is about the photos: a settings problem is reported once
  // and changes nothing in it.
  try {
    form.FormShow(files);
    view.RunSteps();
  } catch (const platform::EIniWriteError& error) {
    form.ReportError(error.what());  // the batch ran to its end; only the close failed
  } catch (const std::exception& error) {
    // The window would stay open after the report and write the settings when
    // the user closes it; without a window that close comes right away.
    form.ReportError(stoppedAtPrefix(form) + std::string(platform::Tr(error.what())));
    return true;
  }
  return false;
}

void CloseConsoleView(TFormMain& form, TConsoleView& view) {
  if (view.CloseAttempted()) return;
  try {
    view.Close();
  } catch (const std::exception& error) {
    form.ReportError(error.what());
  }
}

int RunConsoleProgram(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
  TProgramEnvironment environment;
  TConsoleView view(out, err);
  TFormMain form(view, environment.Get());
  view.Attach(form);
  form.FormCreate();

  const bool failed = RunConsoleBatch(form, view, files);
  // A script sees at once what became of the files it named.
  if (!files.empty()) {
    out.flush();
    err << ErrorReportCaption(form.ExePath()) << ": " << OutcomeCountText(form.Outcomes()) << '\n';
    err.flush();
  }
  CloseConsoleView(form, view);
  return ExitStatusOf(form.Outcomes(), false, failed);
}

}  // namespace app
