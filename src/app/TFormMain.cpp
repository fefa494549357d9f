#include "app/TFormMain.h"

#include <algorithm>
#include <optional>

#include "app/ErrorReport.h"
#include "app/Language.h"
#include "app/SettingsValue.h"
#include "app/Texts.h"
#include "engine/PathRules.h"
#include "platform/AppData.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/PlatformTexts.h"
#include "platform/Translation.h"

namespace app {
namespace {

std::string_view damageLine(ExifData::TDamage damage) {
  switch (damage) {
    case ExifData::TDamage::ShortLength:
      return texts::kShortLength;
    case ExifData::TDamage::NotMarker:
      return texts::kNotMarkerBeforeScan;
    case ExifData::TDamage::SkippedPastEnd:
    case ExifData::TDamage::None:
      break;
  }
  return texts::kDamagedInput;
}

// The kind of a file that is left as it was for a fault; none for a file
// written or already clean.
std::optional<TNotWritten> notWrittenKind(ExifData::TOutcome outcome) {
  switch (outcome) {
    case ExifData::TOutcome::NotLoaded:
      return TNotWritten::NotLoaded;
    case ExifData::TOutcome::NotJpeg:
      return TNotWritten::NotJpeg;
    case ExifData::TOutcome::TooLarge:
      return TNotWritten::TooLarge;
    case ExifData::TOutcome::Damaged:
      return TNotWritten::Damaged;
    case ExifData::TOutcome::BackupFailed:
      return TNotWritten::BackupFailed;
    case ExifData::TOutcome::Stripped:
    case ExifData::TOutcome::Unchanged:
      break;
  }
  return std::nullopt;
}

// clang-format off
constexpr std::array<std::string_view, kNotWrittenKinds> kReasons{
    texts::kReasonNotLoaded, texts::kReasonNotJpeg, texts::kReasonTooLarge,
    texts::kReasonDamaged, texts::kReasonBackupFailed, texts::kReasonChanged,
    texts::kReasonError};
// clang-format on

}  // namespace

int TOutcomeCounts::NotWritten() const {
  int total = 0;
  for (const int n : notWritten) total += n;
  return total;
}

std::string OutcomeCountText(const TOutcomeCounts& counts) {
  std::string text = std::to_string(counts.written) + std::string(texts::kCountWritten) +
                     std::to_string(counts.unchanged) + std::string(texts::kCountUnchanged) +
                     std::to_string(counts.NotWritten()) + std::string(texts::kCountNotWritten);
  std::string reasons;
  for (size_t kind = 0; kind < kNotWrittenKinds; ++kind) {
    if (counts.notWritten[kind] == 0) continue;
    if (!reasons.empty()) reasons += ", ";
    reasons += std::to_string(counts.notWritten[kind]) + " " + std::string(kReasons[kind]);
  }
  if (!reasons.empty()) text += " (" + reasons + ")";
  return text + ", " + std::to_string(counts.notHandled) + std::string(texts::kNotHandled);
}

TFormMain::TFormMain(TMainView& view, TFormEnvironment env) : view_(view), env_(std::move(env)) {}

void TFormMain::FormCreate() {
  view_.SetVersionLabel(std::string(ExifData::Version) +
                        std::string(platform::Tr(texts::kCreditLine)));
  view_.ClearLog();
  view_.SetFileNameLabel("");

  INIFile_ = SettingsFileName(env_.exePath);
  INIPath_ = SettingsFolder(env_.appDataFolder);
  ReadIni();
}

bool TFormMain::OptionOn(size_t row) const {
  return kSettingsRows[row].home == THome::CheckBox ? view_.IsChecked(row) : fields_[row];
}

void TFormMain::ReadIni() {
  const platform::TIniFile ini(INIPath_ + INIFile_);
  const std::string section(texts::kSettingsSection);
  for (size_t row = 0; row < kSettingsRows.size(); ++row) {
    const TSettingsRow& setting = kSettingsRows[row];
    const std::string text = ini.ReadString(section, std::string(setting.key), "");
    const int32_t value = ParseSettingsInteger(text).value_or(setting.fallback);
    switch (setting.home) {
      case THome::CheckBox:
        view_.SetChecked(row, value != 0);
        break;
      case THome::Field:
        fields_[row] = value != 0;
        break;
      case THome::ChimeNumber: {
        // The selector keeps to its range; a changed text runs its change
        // handler, which plays nothing while the selector is still hidden.
        const int number = std::clamp<int32_t>(value, platform::kSoundMin, platform::kSoundMax);
        if (number != view_.SoundValue()) {
          view_.SetSoundValue(number);
          SpinEditSoundChange();
        }
        break;
      }
      case THome::ChimeShown:
        view_.SetSoundVisible(value != 0);
        break;
      case THome::Language:
        // Chosen before the window was made (app/Language.h); kept to be written back.
        language_ = LanguageSetting(text);
        break;
    }
  }
  SoundNo_ = view_.SoundValue();
  view_.SetSoundLabelVisible(view_.SoundVisible());
}

void TFormMain::WriteIni() {
  if (!platform::FolderExists(INIPath_) && !platform::CreateFolder(INIPath_)) {
    view_.ShowAbortError(platform::FormatText(texts::kCreationError, {INIPath_}) + "\r\n" +
                         std::string(platform::Tr(texts::kSettingsMayBeLost)));
    return;
  }
  platform::TIniFile ini(INIPath_ + INIFile_);
  const std::string section(texts::kSettingsSection);
  ini.EraseSection(section);
  for (size_t row = 0; row < kSettingsRows.size(); ++row) {
    bool on = false;
    switch (kSettingsRows[row].home) {
      case THome::CheckBox:
      case THome::Field:
        on = OptionOn(row);
        break;
      case THome::ChimeShown:
        on = view_.SoundVisible();
        break;
      case THome::ChimeNumber:
        // Written as the control reports it, not limited again.
        ini.WriteString(section, std::string(kSettingsRows[row].key),
                        std::to_string(view_.SoundValue()));
        continue;
      case THome::Language:
        ini.WriteString(section, std::string(kSettingsRows[row].key), language_);
        continue;
    }
    ini.WriteString(section, std::string(kSettingsRows[row].key), on ? "1" : "0");
  }
  try {
    ini.Flush();
  } catch (const platform::EIniNotOwned& refusal) {
    // Nothing was written, on purpose: retrying cannot help, so the close goes on.
    view_.ShowWarning(refusal.what());
  }
}

void TFormMain::FormClose() { WriteIni(); }

void TFormMain::StripJpeg(const std::string& FileName) {
  view_.SetFileNameLabel(std::string(platform::Tr(texts::kAnalyzing)));

  uint8_t flag = 0;
  for (size_t row = 0; row < kSettingsRows.size(); ++row)
    if (IsOption(kSettingsRows[row]) && OptionOn(row)) flag |= kSettingsRows[row].flag;
  FLAG_ = flag;

  ExifData::TStripRun run(env_.files, env_.exePath);
  run.FLAG = flag;
  std::optional<TNotWritten> kind;
  {
    // The normal cursor returns when this block ends: once the file's lines
    // are in the pane, or when the engine or the save fails.
    const TNormalCursorOnExit normal(view_);
    try {
      const ExifData::TAnalyzeResult result = run.AnalyzeExif(FileName);
      appendOutcomeLine(result, run.TraceLog);
      kind = notWrittenKind(result.outcome);
      // The save comes before the lines reach the pane, so that a file changed
      // behind our back is told inside its own block.
      if (result.outcome == ExifData::TOutcome::Stripped) {
        try {
          env_.save(FileName, run.StripJpeg.Pieces());
          ++outcomes_.written;
        } catch (const platform::EFileChanged&) {
          run.TraceLog.push_back(std::string(texts::kFileChanged));
          kind = TNotWritten::Changed;
        }
      } else if (result.outcome == ExifData::TOutcome::Unchanged) {
        ++outcomes_.unchanged;
      }
    } catch (...) {
      // The file's lines stay in the pane, right before the line of the
      // stopped batch; the error goes on to the batch.
      view_.AppendLogLines(run.TraceLog);
      notWritten(TNotWritten::Error);
      throw;
    }
    // The file's lines and the blank lines after them, in one piece.
    run.TraceLog.insert(run.TraceLog.end(), 2, std::string());
    view_.AppendLogLines(run.TraceLog);
  }

  const std::string name = ExifData::FileNameOf(FileName);
  if (kind) {
    notWritten(*kind);
    view_.ShowWarning(std::string(texts::kStripError) + name + std::string(texts::kStripErrorEnd));
  }
  view_.SetFileNameLabel(name);
}

// What became of the file, after the engine's own lines.
void TFormMain::appendOutcomeLine(const ExifData::TAnalyzeResult& result,
                                  std::vector<std::string>& lines) {
  using ExifData::TOutcome;
  const std::string& backupName = result.backupName;
  switch (result.outcome) {
    case TOutcome::Stripped:
      if (result.backup == ExifData::TBackupOutcome::Written) {
        lines.push_back(std::string(texts::kBackupWritten) + backupName);
      } else if (result.backupAttempted) {
        lines.push_back(std::string(texts::kBackupKept) + backupName);
      }
      break;
    case TOutcome::Unchanged:
      lines.push_back(std::string(texts::kNothingToRemove));
      break;
    case TOutcome::Damaged:
      lines.push_back(std::string(damageLine(result.damage)));
      break;
    case TOutcome::BackupFailed:
      // An overwrite without the backup the user asked for could lose data.
      lines.push_back(std::string(texts::kBackupFailed) + backupName +
                      std::string(texts::kNotOverwritten));
      break;
    case TOutcome::NotLoaded:
    case TOutcome::TooLarge:
    case TOutcome::NotJpeg:
      break;  // the engine's own line says why
  }
}

void TFormMain::WMDropFiles(const std::vector<std::string>& files) { append(TRoute::Drop, files); }

void TFormMain::OtherCopiesStarted(const std::vector<std::vector<std::string>>& requests) {
  if (requests.empty()) return;
  view_.BringToFront();
  const bool idle = !BatchRunning();
  for (const std::vector<std::string>& files : requests)
    if (!files.empty()) waiting_.push_back({TRoute::Drop, files});
  if (idle && !waiting_.empty()) schedule(&TFormMain::beginBatch);
}

void TFormMain::ButtonLoadClick() { append(TRoute::Dialog, {}); }

void TFormMain::FormShow(const std::vector<std::string>& args) {
  if (!args.empty()) append(TRoute::CommandLine, args);
}

bool TFormMain::FormCloseQuery() {
  if (!BatchRunning()) return true;
  closeWhenDone_ = true;
  return false;
}

void TFormMain::append(TRoute route, std::vector<std::string> files) {
  const bool idle = !BatchRunning();
  waiting_.push_back({route, std::move(files)});
  if (idle) beginBatch();
}

// The first waiting batch begins: its dialog, when it has one, picks the
// files now; a cancelled dialog is no batch. Each file then runs in a step of
// its own, and the view handles pending events before each step.
void TFormMain::beginBatch() {
  if (running_) return;  // one began meanwhile (a drop under the error report)
  while (!waiting_.empty()) {
    TBatch batch = std::move(waiting_.front());
    waiting_.pop_front();
    if (batch.route == TRoute::Dialog) {
      // Should the dialog fail, the batches behind it go on once its error
      // has been reported, and a close can still be honoured.
      resumeAfterReport_ = true;
      const bool picked = view_.RunPictureDialog(batch.files);
      resumeAfterReport_ = false;
      if (!picked) continue;
    }
    running_.emplace(view_, std::move(batch));
    if (running_->route != TRoute::CommandLine) view_.ClearLog();
    // Shown before the events of the first step are handled.
    if (!running_->files.empty())
      view_.SetFileNameLabel(std::string(platform::Tr(texts::kAnalyzing)));
    schedule(&TFormMain::step);
    return;
  }
  if (closeWhenDone_) view_.Close();
}

void TFormMain::step() {
  TRunning& batch = *running_;
  if (batch.next < batch.files.size()) {
    try {
      StripJpeg(batch.files[batch.next++]);
    } catch (...) {
      // An error ends the batch here: a line names the file and counts the
      // files left, which are dropped, and the error goes on to the general
      // error report.
      const std::string& file = batch.files[batch.next - 1];
      const size_t left = batch.files.size() - batch.next;
      outcomes_.notHandled += static_cast<int>(left);
      stoppedAt_ = file;
      view_.AppendLogLines({std::string(texts::kBatchStopped) + ExifData::FileNameOf(file) + ": " +
                                std::to_string(left) +
                                std::string(left == 1 ? texts::kFile : texts::kFiles) +
                                std::string(texts::kNotHandled),
                            "", ""});
      endBatch(false);
      throw;
    }
  }
  if (batch.next < batch.files.size()) {
    view_.SetFileNameLabel(std::string(platform::Tr(texts::kAnalyzing)));
    schedule(&TFormMain::step);
  } else {
    endBatch(true);
  }
}

void TFormMain::endBatch(bool completed) {
  const TRoute route = running_->route;
  if (route == TRoute::CommandLine) {
    // The command line waits for its chime and then closes, unless it failed.
    running_.reset();
    if (completed) {
      requestChime(true);
      view_.Close();
    }
  } else {
    requestChime(false);
    running_.reset();
  }
  // Batches that waited begin in a step of their own; after a failure, once
  // the error has been reported.
  if (!completed)
    resumeAfterReport_ = true;
  else if (!waiting_.empty())
    schedule(&TFormMain::beginBatch);
  else if (closeWhenDone_ && route != TRoute::CommandLine)
    view_.Close();
}

void TFormMain::schedule(void (TFormMain::*what)()) {
  view_.ScheduleStep([this, what] { (this->*what)(); });
}

void TFormMain::ReportError(std::string_view message) {
  // A message that is a text of the program (the stream read error) is shown
  // in the user's language; others were made in it already.
  view_.ShowErrorReport(ErrorReportCaption(env_.exePath), ErrorReportText(platform::Tr(message)));
  if (resumeAfterReport_) {
    resumeAfterReport_ = false;
    schedule(&TFormMain::beginBatch);
  }
}

void TFormMain::ButtonCloseClick() { view_.Close(); }

void TFormMain::SpinEditSoundChange() {
  SoundNo_ = view_.SoundValue();
  if (view_.SoundVisible() && SoundNo_ != 0) requestChime(false);
}

void TFormMain::requestChime(bool wait) {
  if (SoundNo_ == 0) return;
  env_.chime.Play(SoundNo_, wait);
}

}  // namespace app
