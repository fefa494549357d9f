#include "app/ConsoleProgram.h"

#include <exception>
#include <ostream>

#include "app/ConsoleView.h"
#include "app/Environment.h"
#include "app/ErrorReport.h"
#include "engine/PathRules.h"
#include "platform/IniFile.h"

namespace app {
namespace {

// Shows an error that stopped the route as the general error report would,
// after the name of the file it stopped at (`file`, may be empty): on a
// terminal the report stands far from that file's lines.
void report(TConsoleView& view, const std::string& exePath, const std::exception& error,
            const std::string& file = {}) {
  std::string text;
  if (!file.empty()) {
    text = ExifData::FileNameOf(file);
    text += ": ";
  }
  text += ErrorReportText(error.what());
  view.ShowErrorReport(ErrorReportCaption(exePath), text);
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
    report(view, exePath, error, form.StoppedAt());
    failed = true;
  }
  // A script sees at once what became of the files it named.
  if (!files.empty()) {
    out.flush();
    err << ErrorReportCaption(exePath) << ": " << OutcomeCountText(form.Outcomes()) << '\n';
    err.flush();
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
