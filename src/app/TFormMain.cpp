#include "app/TFormMain.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "app/SettingsValue.h"
#include "app/Texts.h"
#include "engine/PathRules.h"
#include "platform/AppData.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

namespace app {
namespace {

constexpr int kSoundMin = 0;
constexpr int kSoundMax = 23;

std::string soundName(int number) { return "#" + std::to_string(number); }

// "#<n>" back to n; a name that is not one gives no sound.
int soundNumber(const std::string& name) {
  int number = -1;
  const char* first = name.data() + 1;
  const char* last = name.data() + name.size();
  auto [end, error] = std::from_chars(first, last, number);
  if (name.empty() || error != std::errc() || end != last) return -1;
  return number;
}

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
  view_.SetVersionLabel(std::string(ExifData::Version) + std::string(texts::kCreditLine));
  view_.ClearLog();
  view_.SetFileNameLabel("");

  INIFile_ =
      ExifData::ReplaceExtension(ExifData::FileNameOf(env_.exePath), texts::kSettingsExtension, "");
  std::string folder = GetPath(platform::kFolderAppData);
  if (folder.empty() || folder.back() != platform::kDirSeparator) folder += platform::kDirSeparator;
  INIPath_ = folder + std::string(texts::kSettingsFolder) + platform::kDirSeparator;
  ReadIni();
}

std::string TFormMain::GetPath(int nFolder) const {
  return nFolder == platform::kFolderAppData ? env_.appDataFolder : std::string();
}

bool TFormMain::OptionOn(size_t row) const {
  return kSettingsRows[row].home == THome::CheckBox ? view_.IsChecked(row) : fields_[row];
}

void TFormMain::ReadIni() {
  const platform::TIniFile ini(INIPath_ + INIFile_);
  const std::string section(texts::kSettingsSection);
  for (size_t row = 0; row < kSettingsRows.size(); ++row) {
    const TSettingsRow& setting = kSettingsRows[row];
    const int32_t value =
        ParseSettingsInteger(ini.ReadString(section, std::string(setting.key), ""))
            .value_or(setting.fallback);
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
        const int number = std::clamp<int32_t>(value, kSoundMin, kSoundMax);
        if (number != view_.SoundValue()) {
          view_.SetSoundValue(number);
          SpinEditSoundChange();
        }
        break;
      }
      case THome::ChimeShown:
        view_.SetSoundVisible(value != 0);
        break;
    }
  }
  SoundNo_ = soundName(view_.SoundValue());
  view_.SetSoundLabelVisible(view_.SoundVisible());
}

void TFormMain::WriteIni() {
  if (!platform::FolderExists(INIPath_) && !platform::CreateFolder(INIPath_)) {
    view_.ShowAbortError("<" + INIPath_ + std::string(texts::kCreationError));
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
  view_.SetFileNameLabel(std::string(texts::kAnalyzing));
  view_.ProcessMessages();

  uint8_t flag = 0;
  for (size_t row = 0; row < kSettingsRows.size(); ++row)
    if (IsOption(kSettingsRows[row]) && OptionOn(row)) flag |= kSettingsRows[row].flag;
  FLAG_ = flag;

  ExifData::TStripRun run(env_.files, env_.exePath);
  run.FLAG = flag;
  ExifData::TAnalyzeResult result;
  try {
    result = run.AnalyzeExif(FileName);
  } catch (...) {
    // The file's lines stay in the log; the batch stops above us.
    view_.AppendLogLines(run.TraceLog);
    view_.SetBusyCursor(false);
    notWritten(TNotWritten::Error);
    throw;
  }

  using ExifData::TOutcome;
  const std::string backupName = result.backupName;
  switch (result.outcome) {
    case TOutcome::Stripped:
      if (result.backup == ExifData::TBackupOutcome::Written) {
        run.TraceLog.push_back(std::string(texts::kBackupWritten) + backupName);
      } else if (result.backupAttempted) {
        run.TraceLog.push_back(std::string(texts::kBackupKept) + backupName);
      }
      break;
    case TOutcome::Unchanged:
      run.TraceLog.push_back(std::string(texts::kNothingToRemove));
      break;
    case TOutcome::Damaged:
      run.TraceLog.push_back(std::string(damageLine(result.damage)));
      break;
    case TOutcome::BackupFailed:
      // An overwrite without the backup the user asked for could lose data.
      run.TraceLog.push_back(std::string(texts::kBackupFailed) + backupName +
                             std::string(texts::kNotOverwritten));
      break;
    case TOutcome::NotLoaded:
    case TOutcome::TooLarge:
    case TOutcome::NotJpeg:
      break;  // the engine's own line says why
  }

  // The save comes before the lines reach the pane, so that a file changed
  // behind our back is told inside its own block; the separator comes after
  // the save, so that the line of a batch stopped by a failed save stands
  // right after the file's own lines.
  std::optional<TNotWritten> kind = notWrittenKind(result.outcome);
  if (result.outcome == TOutcome::Stripped) {
    try {
      env_.save(FileName, run.StripJpeg.Pieces());
      ++outcomes_.written;
    } catch (const platform::EFileChanged&) {
      run.TraceLog.push_back(std::string(texts::kFileChanged));
      kind = TNotWritten::Changed;
    } catch (...) {
      view_.AppendLogLines(run.TraceLog);
      view_.SetBusyCursor(false);
      notWritten(TNotWritten::Error);
      throw;
    }
  } else if (result.outcome == TOutcome::Unchanged) {
    ++outcomes_.unchanged;
  }
  view_.AppendLogLines(run.TraceLog);
  view_.AppendLogLines({"", ""});
  view_.SetBusyCursor(false);

  const std::string name = ExifData::FileNameOf(FileName);
  if (kind) {
    notWritten(*kind);
    view_.ShowWarning(std::string(texts::kStripError) + name + std::string(texts::kStripErrorEnd));
  }
  view_.SetFileNameLabel(name);
}

void TFormMain::stripFiles(const std::vector<std::string>& files) {
  for (size_t i = 0; i < files.size(); ++i) {
    try {
      StripJpeg(files[i]);
    } catch (...) {
      const size_t left = files.size() - i - 1;
      outcomes_.notHandled += static_cast<int>(left);
      stoppedAt_ = files[i];
      view_.AppendLogLines({std::string(texts::kBatchStopped) + ExifData::FileNameOf(files[i]) +
                                ": " + std::to_string(left) +
                                std::string(left == 1 ? texts::kFile : texts::kFiles) +
                                std::string(texts::kNotHandled),
                            "", ""});
      throw;
    }
  }
}

void TFormMain::WMDropFiles(const std::vector<std::string>& files) {
  queued_.push_back({TRoute::Drop, files});
  RunQueuedBatches();
}

void TFormMain::OtherCopiesStarted(const std::vector<std::vector<std::string>>& requests) {
  if (requests.empty()) return;
  view_.BringToFront();
  for (const std::vector<std::string>& files : requests)
    if (!files.empty()) queued_.push_back({TRoute::Drop, files});
}

void TFormMain::ButtonLoadClick() {
  queued_.push_back({TRoute::Dialog, {}});
  RunQueuedBatches();
}

void TFormMain::RunQueuedBatches() {
  // A drop or a click that arrives through the per-file message pump while a
  // batch runs waits here and runs as its own batch afterwards, in order.
  if (batchRunning_) return;
  while (!queued_.empty()) {
    TQueued next = std::move(queued_.front());
    queued_.pop_front();
    batchRunning_ = true;
    try {
      if (next.route == TRoute::Drop)
        runBatch(next.files);
      else if (view_.RunPictureDialog(next.files))
        runBatch(next.files);
    } catch (...) {
      batchRunning_ = false;
      throw;
    }
    batchRunning_ = false;
  }
}

void TFormMain::runBatch(const std::vector<std::string>& files) {
  view_.SetBusyCursor(true);
  try {
    view_.ClearLog();
    stripFiles(files);
  } catch (...) {
    requestChime(false);
    view_.SetBusyCursor(false);
    throw;
  }
  requestChime(false);
  view_.SetBusyCursor(false);
}

void TFormMain::FormShow(const std::vector<std::string>& args) {
  if (args.empty()) return;
  batchRunning_ = true;
  view_.SetBusyCursor(true);
  try {
    stripFiles(args);
  } catch (...) {
    view_.SetBusyCursor(false);
    batchRunning_ = false;
    throw;
  }
  view_.SetBusyCursor(false);
  batchRunning_ = false;
  requestChime(true);
  view_.Close();
}

void TFormMain::ButtonCloseClick() { view_.Close(); }

void TFormMain::SpinEditSoundChange() {
  SoundNo_ = soundName(view_.SoundValue());
  if (view_.SoundVisible() && SoundNo_ != "#0") requestChime(false);
}

void TFormMain::requestChime(bool wait) {
  if (SoundNo_ == "#0") return;
  env_.chime.Play(soundNumber(SoundNo_), wait);
}

}  // namespace app
