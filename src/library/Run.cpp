// The library's one contact with the engine and the platform: the options as
// FLAG bits, a run over a buffer or a file, and what it came to.
#include "library/Run.h"

#include <array>
#include <exception>
#include <memory>
#include <new>

#include "app/FileRun.h"
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

ExifData::TStripOptions flagOf(const velmora_options& options) {
  ExifData::TStripOptions flag = ExifData::flNone;
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
  ExifData::TBackupOutcome CopyToBackup(const std::string&, const std::string&,
                                        const ExifData::TLoadHandle*) override {
    return ExifData::TBackupOutcome::Failed;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

velmora_outcome outcomeOf(app::TOutcomeCode code) {
  using app::TOutcomeCode;
  switch (code) {
    case TOutcomeCode::Written:
      return VELMORA_WRITTEN;
    case TOutcomeCode::Clean:
      return VELMORA_CLEAN;
    case TOutcomeCode::NotLoaded:
      return VELMORA_NOT_LOADED;
    case TOutcomeCode::TooLarge:
      return VELMORA_TOO_LARGE;
    case TOutcomeCode::NotJpeg:
      return VELMORA_NOT_JPEG;
    case TOutcomeCode::Damaged:
      return VELMORA_DAMAGED;
    case TOutcomeCode::BackupFailed:
      return VELMORA_BACKUP_FAILED;
    case TOutcomeCode::Changed:
      return VELMORA_CHANGED;
    case TOutcomeCode::Error:
      break;
  }
  return VELMORA_ERROR;
}

// A file's removed stretches, backup and lines, and for a file left as it
// was, why: the last line, as the program's report gives it.
void collect(const ExifData::TStripRun& run, const ExifData::TAnalyzeResult& analyzed,
             const std::vector<std::string>& lines, bool wantTrace, TRunResult& result) {
  if (result.outcome != VELMORA_WRITTEN && result.outcome != VELMORA_CLEAN && result.reason.empty())
    result.reason = app::ReasonOf(lines);
  if (result.outcome == VELMORA_WRITTEN || result.outcome == VELMORA_CHANGED ||
      result.outcome == VELMORA_ERROR) {
    result.removed.reserve(run.RemovedSegments().size());
    for (const ExifData::TRemovedSegment& segment : run.RemovedSegments())
      result.removed.push_back(
          {segment.marker, std::string(segment.kind), segment.offset, segment.length});
  }
  if (analyzed.backupAttempted) result.backupName = analyzed.backupName;
  if (wantTrace) result.trace = lines;
}

// An error kept by the run: a kept segment running past the end is a damaged
// file, not a failure of the call; anything else goes on to the caller.
void takeError(const std::exception_ptr& error, TRunResult& result) {
  try {
    std::rethrow_exception(error);
  } catch (const ExifData::EStreamReadError& damaged) {
    result.outcome = VELMORA_DAMAGED;
    result.reason = damaged.what();
  } catch (const platform::EFileError& failed) {
    result.outcome = VELMORA_ERROR;
    result.reason = failed.what();
  }
}

void copyOutput(const ExifData::TStripRun& run, const TAllocate& allocate, TRunResult& result) {
  uint8_t* at = allocate(static_cast<size_t>(run.Stripped().Size()));
  result.hasOutput = true;
  for (const std::span<const uint8_t> piece : run.Stripped().Pieces()) {
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
  run.FLAG = flagOf(options) & ~ExifData::flSaveOriginal;
  ExifData::TAnalyzeResult analyzed;
  try {
    analyzed = run.AnalyzeExif("");
    result.outcome = outcomeOf(app::OutcomeOf(analyzed.outcome));
  } catch (...) {
    takeError(std::current_exception(), result);
  }
  if (allocate && (result.outcome == VELMORA_WRITTEN || result.outcome == VELMORA_CLEAN))
    copyOutput(run, allocate, result);
  collect(run, analyzed, run.Trace(), wantTrace, result);
  return result;
}

TRunResult StripFile(const std::string& path, const velmora_options& options, bool wantTrace) {
  TRunResult result;
  platform::TPlatformFiles files;
  app::TFileJob job(files, kProgramName, path);
  job.run.FLAG = flagOf(options);
  job.run.PullLongScan = true;
  app::RunFile(job, files,
               // A call strips one file, and returns once it is on the disk.
               [](const std::string& file, const ExifData::TLoadHandle* loaded,
                  ExifData::TPulledOutput& output) -> std::unique_ptr<platform::TPendingSave> {
                 platform::SaveFileAtomically(file, loaded, output);
                 return nullptr;
               });
  result.outcome = outcomeOf(job.Outcome());
  if (job.error) takeError(job.error, result);
  collect(job.run, job.result, job.lines, wantTrace, result);
  return result;
}

}  // namespace velmora_library
