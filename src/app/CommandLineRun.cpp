#include "app/CommandLineRun.h"

#include <ostream>

#include "app/ConsoleProgram.h"
#include "app/Environment.h"
#include "app/ErrorReport.h"
#include "app/ExitStatus.h"
#include "app/ScriptFiles.h"
#include "app/ScriptView.h"
#include "app/Texts.h"
#include "platform/FolderWalk.h"
#include "platform/InstanceLock.h"
#include "platform/PlatformTexts.h"
#include "platform/StandardStreams.h"

namespace app {
namespace {

// The files to strip: with `recursive`, each folder named stands for the
// JPEG files below it. The list is made before the first file is touched, so
// backups this run makes are never taken as input.
std::vector<std::string> inputFiles(const TCommandLine& line) {
  if (!line.recursive) return line.files;
  std::vector<std::string> files;
  for (const std::string& file : line.files) {
    if (!platform::IsFolder(file)) {
      files.push_back(file);
      continue;
    }
    const std::vector<std::string> below = platform::JpegFilesUnder(file);
    files.insert(files.end(), below.begin(), below.end());
  }
  return files;
}

}  // namespace

int RunCommandLine(const TCommandLine& line, std::ostream& out, std::ostream& err) {
  TProgramEnvironment environment;
  const TFormEnvironment base = environment.Get();
  const std::string name = ErrorReportCaption(base.exePath);
  if (!line.error.empty()) {
    err << platform::FormatText(texts::kWrongCommandLine, {name, line.error}) << '\n';
    return kExitUsage;
  }
  if (line.help) {
    out << UsageText(name);
    return kExitDone;
  }
  if (line.version) {
    out << name << ' ' << ExifData::Version << '\n';
    return kExitDone;
  }
  if (line.files.empty()) {
    err << platform::FormatText(texts::kNoFilesNamed, {name}) << '\n';
    return kExitUsage;
  }
  // Held until the run ends.
  platform::TLockResult guard{platform::TLockOutcome::Unguarded, nullptr};
  if (!line.check && !line.filter) {
    guard = platform::TInstanceLock::TryAcquire();
    if (guard.outcome == platform::TLockOutcome::AnotherCopy) {
      err << platform::FormatText(texts::kAnotherCopyRunning, {name}) << '\n';
      return kExitAnotherCopy;
    }
  }

  TReadOnlyFiles readOnly(base.files);
  TStandardInput input(base.files);
  ExifData::TFileAccess& files = line.filter  ? static_cast<ExifData::TFileAccess&>(input)
                                 : line.check ? readOnly
                                              : base.files;
  auto save = base.save;
  if (line.check) {
    save = [](const std::string&, const ExifData::TLoadHandle*, ExifData::TPulledOutput&) {
      return std::unique_ptr<platform::TPendingSave>();
    };
  } else if (line.filter) {
    save = [](const std::string&, const ExifData::TLoadHandle*, ExifData::TPulledOutput& output) {
      if (!platform::WriteStandardOutput(output.Pieces()))
        throw std::runtime_error(std::string(texts::kStandardOutputError));  // shown with Tr
      return std::unique_ptr<platform::TPendingSave>();
    };
  }
  TScriptView view(line.filter ? err : out, out, err, {line.check, line.json, line.quiet});
  view.KeepSettingsFile();
  TFormMain form(view, {files, save, base.exePath, base.appDataFolder, base.chime});
  view.Attach(form);
  form.FormCreate();
  // A script's run ends without a chime.
  view.SetSoundValue(0);
  form.SpinEditSoundChange();
  for (const TOptionChoice& choice : line.options) form.SetOption(choice.row, choice.on);
  if (line.check || line.filter) form.SetOption(SettingsRow("Save_Original_File"), false);

  bool failed = RunConsoleBatch(form, view, inputFiles(line));
  if (line.filter && !line.check && !failed && view.LastFate() == TFileFate::Clean) {
    // Nothing to remove: the picture goes through as it came.
    const std::vector<uint8_t>& bytes = input.Bytes();
    if (!platform::WriteStandardOutput({{bytes.data(), bytes.size()}})) {
      form.ReportError(std::string(platform::Tr(texts::kStandardOutputError)));
      failed = true;
    }
  }
  const int status = view.Finish(form, failed);
  CloseConsoleView(form, view);
  return status;
}

}  // namespace app
