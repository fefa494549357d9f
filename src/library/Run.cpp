// The library's one contact with the engine and the platform: the options as
// FLAG bits, a run over a buffer or a file, and what it came to.
#include "library/Run.h"

#include <array>
#include <exception>
#include <memory>
#include <new>

#include "app/Options.h"
#include "engine/ExifData.h"
#include "platform/Files.h"

namespace velmora_library {
namespace {

// The comment names the library as the program names itself.
constexpr const char* kProgramName = "velmora";

// Each option field beside its settings key: the key gives the FLAG bit and
// the default, both from the program's settings table.
struct TOptionField {
  int velmora_options::*field;
  std::string_view key;
};
// clang-format off
constexpr std::array<TOptionField, 8> kOptionFields{{
    {&velmora_options::keep_orientation, "Keep_Orientation"},
    {&velmora_options::keep_icc,         "Keep_ICC"},
    {&velmora_options::cut_after_eoi,    "Delete_after_EOI"},
    {&velmora_options::write_jfif,       "Write_JFIF"},
    {&velmora_options::original_jfif,    "Original_JFIF"},
    {&velmora_options::write_app14,      "Write_APP14"},
    {&velmora_options::write_comment,    "Write_Comment"},
    {&velmora_options::backup,           "Save_Original_File"},
}};
// clang-format on

constexpr const app::TSettingsRow& rowOf(std::string_view key) {
  return app::kSettingsRows[app::SettingsRow(key)];
}

uint8_t flagOf(const velmora_options& options) {
  uint8_t flag = 0;
  for (const TOptionField& option : kOptionFields)
    if (options.*option.field != 0) flag |= rowOf(option.key).flag;
  return flag;
}

// Loads the caller's bytes without copying them; makes no backup.
class TBufferAccess : public ExifData::TFileAccess {
 public:
  TBufferAccess(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  ExifData::TLoadResult LoadFile(const std::string&, ExifData::TMemoryStream& into) override {
    if (static_cast<uint64_t>(size_) >= static_cast<uint64_t>(ExifData::kMaxInputSize))
      return {ExifData::TLoadResult::TKind::TooLarge, {}};
    into.Adopt(data_, size_, nullptr);
    return {};
  }
  ExifData::TBackupOutcome CopyToBackup(const std::string&, const std::string&) override {
    return ExifData::TBackupOutcome::Failed;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

velmora_outcome outcomeOf(ExifData::TOutcome outcome) {
  using ExifData::TOutcome;
  switch (outcome) {
    case TOutcome::Stripped:
      return VELMORA_WRITTEN;
    case TOutcome::Unchanged:
      return VELMORA_CLEAN;
    case TOutcome::NotLoaded:
      return VELMORA_NOT_LOADED;
    case TOutcome::TooLarge:
      return VELMORA_TOO_LARGE;
    case TOutcome::NotJpeg:
      return VELMORA_NOT_JPEG;
    case TOutcome::Damaged:
      return VELMORA_DAMAGED;
    case TOutcome::BackupFailed:
      return VELMORA_BACKUP_FAILED;
  }
  return VELMORA_ERROR;
}

// The run's last line without its leading marks, as the program's report
// gives it for a file it did not write.
std::string lastLine(const ExifData::TStringList& lines) {
  if (lines.empty()) return {};
  const std::string& line = lines.back();
  return line.substr(std::min(line.find_first_not_of(" *"), line.size()));
}

// Runs the engine; a kept segment running past the end is a damaged file.
ExifData::TAnalyzeResult analyze(ExifData::TStripRun& run, const std::string& name,
                                 TRunResult& result) {
  try {
    return run.AnalyzeExif(name);
  } catch (const ExifData::EStreamReadError& error) {
    ExifData::TAnalyzeResult damaged;
    damaged.outcome = ExifData::TOutcome::Damaged;
    result.reason = error.what();
    return damaged;
  }
}

void collect(const ExifData::TStripRun& run, const ExifData::TAnalyzeResult& analyzed,
             bool wantTrace, TRunResult& result) {
  if (result.outcome != VELMORA_WRITTEN && result.outcome != VELMORA_CLEAN && result.reason.empty())
    result.reason = lastLine(run.TraceLog);
  if (result.outcome == VELMORA_WRITTEN || result.outcome == VELMORA_CHANGED ||
      result.outcome == VELMORA_ERROR) {
    result.removed.reserve(run.Removed.size());
    for (const ExifData::TRemovedSegment& segment : run.Removed)
      result.removed.push_back(
          {segment.marker, std::string(segment.kind), segment.offset, segment.length});
  }
  if (analyzed.backupAttempted) result.backupName = analyzed.backupName;
  if (wantTrace) result.trace = run.TraceLog;
}

void copyOutput(const ExifData::TStripRun& run, const TAllocate& allocate, TRunResult& result) {
  uint8_t* at = allocate(static_cast<size_t>(run.StripJpeg.Size()));
  result.hasOutput = true;
  for (const std::span<const uint8_t> piece : run.StripJpeg.Pieces()) {
    std::copy(piece.begin(), piece.end(), at);
    at += piece.size();
  }
}

}  // namespace

void DefaultOptions(velmora_options& options) {
  for (const TOptionField& option : kOptionFields)
    options.*option.field = rowOf(option.key).fallback != 0 ? 1 : 0;
}

const char* VersionText() { return ExifData::Version.data(); }

TRunResult StripBuffer(const uint8_t* in, size_t size, const velmora_options& options,
                       bool wantTrace, const TAllocate& allocate) {
  TRunResult result;
  TBufferAccess access(in, size);
  ExifData::TStripRun run(access, kProgramName);
  // A buffer has no file beside it to back up.
  run.FLAG = flagOf(options) & static_cast<uint8_t>(~ExifData::flSaveOriginal);
  const ExifData::TAnalyzeResult analyzed = analyze(run, "", result);
  result.outcome = outcomeOf(analyzed.outcome);
  if (allocate && (result.outcome == VELMORA_WRITTEN || result.outcome == VELMORA_CLEAN))
    copyOutput(run, allocate, result);
  collect(run, analyzed, wantTrace, result);
  return result;
}

TRunResult StripFile(const std::string& path, const velmora_options& options, bool wantTrace) {
  TRunResult result;
  platform::TPlatformFiles files;
  ExifData::TStripRun run(files, kProgramName);
  run.FLAG = flagOf(options);
  const ExifData::TAnalyzeResult analyzed = analyze(run, path, result);
  result.outcome = outcomeOf(analyzed.outcome);
  if (analyzed.outcome == ExifData::TOutcome::Stripped) {
    // A backup of a file that was never replaced would only mislead.
    const auto removeBackup = [&] {
      if (analyzed.backup == ExifData::TBackupOutcome::Written)
        files.RemoveBackup(analyzed.backupName);
    };
    try {
      platform::SaveFileAtomically(path, run.StripJpeg.Pieces());
    } catch (const platform::EFileChanged& changed) {
      removeBackup();
      result.outcome = VELMORA_CHANGED;
      result.reason = std::string("changed since it was read: ") + changed.what();
    } catch (const platform::EFileError& error) {
      removeBackup();
      result.outcome = VELMORA_ERROR;
      result.reason = error.what();
    } catch (...) {
      removeBackup();
      throw;
    }
  }
  collect(run, analyzed, wantTrace, result);
  return result;
}

}  // namespace velmora_library
