#include "app/FileRun.h"

#include <algorithm>

#include "app/Texts.h"
#include "platform/Files.h"

namespace app {
namespace {

// The backup this run wrote of a file whose save then failed goes again: it
// would be a copy of a file that was never stripped.
void removeBackup(ExifData::TFileAccess& files, const ExifData::TAnalyzeResult& result,
                  std::vector<std::string>& lines) {
  if (result.backup != ExifData::TBackupOutcome::Written) return;
  const bool removed = files.RemoveBackup(result.backupName);
  lines.push_back(std::string(removed ? texts::kBackupRemoved : texts::kBackupNotRemoved) +
                  result.backupName);
}

// What became of the file, after the engine's own lines: for a file written,
// its backup; otherwise its row's line, unless the engine's own line says why.
// A failed backup stops the overwrite: without it the user could lose data.
void appendOutcomeLine(const ExifData::TAnalyzeResult& result, std::vector<std::string>& lines) {
  const std::string& backupName = result.backupName;
  if (result.outcome == ExifData::TOutcome::Stripped) {
    if (result.backup == ExifData::TBackupOutcome::Written) {
      lines.push_back(std::string(texts::kBackupWritten) + backupName);
    } else if (result.backupAttempted) {
      lines.push_back(std::string(texts::kBackupKept) + backupName);
    }
    return;
  }
  const std::string_view message = result.outcome == ExifData::TOutcome::Damaged
                                       ? DamageRow(result.damage).message
                                       : OutcomeRow(OutcomeOf(result.outcome)).message;
  if (!message.empty()) lines.push_back(OutcomeLine(message, backupName));
}

// A save that failed: its backup goes; a file changed behind our back is
// told in its block, any other failure is the job's error.
void settleFailedSave(TFileJob& job, ExifData::TFileAccess& files,
                      const std::exception_ptr& error) {
  removeBackup(files, job.result, job.lines);
  try {
    std::rethrow_exception(error);
  } catch (const platform::EFileChanged&) {
    job.lines.push_back(OutcomeLine(OutcomeRow(TOutcomeCode::Changed).message));
    job.changed = true;
  } catch (...) {
    job.error = std::current_exception();
  }
}

}  // namespace

TOutcomeCode TFileJob::Outcome() const {
  if (error) return TOutcomeCode::Error;
  if (changed) return TOutcomeCode::Changed;
  return OutcomeOf(result.outcome);
}

std::string ReasonOf(const std::vector<std::string>& lines) {
  if (lines.empty()) return {};
  const std::string& line = lines.back();
  return line.substr(std::min(line.find_first_not_of(" *"), line.size()));
}

std::string TFileJob::Reason() const { return ReasonOf(lines); }

void RunFile(TFileJob& job, ExifData::TFileAccess& files, const TSave& save) {
  try {
    job.result = job.run.AnalyzeExif(job.path);
    appendOutcomeLine(job.result, job.lines);
    // The save comes before the lines reach the log, so that a file changed
    // behind our back is told inside its own block.
    if (job.result.outcome == ExifData::TOutcome::Stripped) {
      try {
        job.pending = save(job.path, job.run.Loaded(), job.run.Output());
        job.saved = job.pending == nullptr;
      } catch (...) {
        settleFailedSave(job, files, std::current_exception());
      }
    }
  } catch (...) {
    job.error = std::current_exception();
  }
  // What the save did not pull (it failed, or there was none) is searched
  // now: the lines and the report tell the whole file.
  job.run.FinishScan();
  // The engine's lines, then what became of the file.
  job.lines.insert(job.lines.begin(), job.run.Trace().begin(), job.run.Trace().end());
  job.bytesBefore = job.run.Input().Size();
  job.bytesAfter = job.run.Stripped().Size();
  // A save that waits has its copy written: the memory of a group of files
  // is not held until the group is finished.
  if (job.pending) job.run.ReleaseBytes();
}

void FinishFiles(const std::vector<TFileJob*>& jobs, ExifData::TFileAccess& files,
                 const TFinishSaves& finish) {
  std::vector<TFileJob*> waiting;
  std::vector<platform::TPendingSave*> saves;
  for (TFileJob* job : jobs) {
    if (!job->pending) continue;
    waiting.push_back(job);
    saves.push_back(job->pending.get());
  }
  if (saves.empty()) return;
  std::vector<std::exception_ptr> errors;
  try {
    errors = finish(saves);
  } catch (...) {
    errors.assign(saves.size(), std::current_exception());
  }
  for (size_t i = 0; i < waiting.size(); ++i) {
    TFileJob& job = *waiting[i];
    job.pending.reset();
    if (errors[i])
      settleFailedSave(job, files, errors[i]);
    else
      job.saved = true;
  }
}

}  // namespace app
