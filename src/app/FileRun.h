// One file's work, as the program does it for every file it is given: the
// engine, the line that says what became of the file, the crash-safe save,
// and a backup taken back when the save fails. The window, the console and
// the library all strip a file through this.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Outcomes.h"
#include "engine/ExifData.h"
#include "platform/Files.h"

namespace app {

// Writes the output over the file at `path`, which the load with the handle
// `loaded` read (null: the path as it stands): whole, or begun, to be
// finished by FinishFiles (platform::BeginSave). Returns the save still
// pending, or null when the save is complete.
using TSave = std::function<std::unique_ptr<platform::TPendingSave>(
    const std::string& path, const ExifData::TLoadHandle* loaded, ExifData::TPulledOutput& output)>;

// Finishes saves begun by a TSave, all at once: per save, null or its error
// (platform::FinishSaves).
using TFinishSaves =
    std::function<std::vector<std::exception_ptr>(const std::vector<platform::TPendingSave*>&)>;

struct TFileJob {
  TFileJob(ExifData::TFileAccess& files, const std::string& exePath, std::string file)
      : run(files, exePath), path(std::move(file)) {}
  ExifData::TStripRun run;
  std::string path;
  // The file's lines once the job is done: the engine's, then the outcome's.
  std::vector<std::string> lines;
  ExifData::TAnalyzeResult result;
  // The file's size as loaded and as stripped, kept once the job is done:
  // a job whose save waits gives its bytes back (ReleaseBytes).
  int64_t bytesBefore = 0;
  int64_t bytesAfter = 0;
  bool saved = false;
  bool changed = false;  // the file changed after it was read: not written
  std::exception_ptr error;
  // A save begun and not yet finished: the file is not written until it is.
  // Declared after the run, whose load it needs, so that it goes first.
  std::unique_ptr<platform::TPendingSave> pending;

  // What became of the file (a pending save counts as written: a file is
  // reported only once its save is finished).
  TOutcomeCode Outcome() const;
  // Why the file was not written, as its reports give it (ReasonOf).
  std::string Reason() const;
};

// Why a file was not written, as its reports give it: its last line without
// the leading marks.
std::string ReasonOf(const std::vector<std::string>& lines);

// Runs the job with the options already set on its run. Touches nothing but
// the job, `files` and `save`, so that it can run on any thread; an error is
// kept in the job, never thrown.
void RunFile(TFileJob& job, ExifData::TFileAccess& files, const TSave& save);

// Finishes the pending saves of the jobs with `finish`, in their order,
// waiting for the disk once for all of them, and settles each job as RunFile
// would have: written, or changed or failed with its backup taken back. Jobs
// without a pending save are left as they are. Runs on any thread.
void FinishFiles(const std::vector<TFileJob*>& jobs, ExifData::TFileAccess& files,
                 const TFinishSaves& finish);

}  // namespace app
