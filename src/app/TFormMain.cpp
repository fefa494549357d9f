#include "app/TFormMain.h"

#include <algorithm>

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

// The line of a stopped batch, "<head>3 files not handled.", and the blank
// lines after it.
std::vector<std::string> stopLines(const std::string& head, size_t left) {
  return {head + std::to_string(left) + std::string(left == 1 ? texts::kFile : texts::kFiles) +
              std::string(texts::kNotHandled),
          "", ""};
}

// The report of a file whose lines are complete.
TFileReport fileReport(const TFileJob& job, TOutcomeCode outcome) {
  TFileReport report;
  report.file = job.path;
  report.outcome = outcome;
  report.bytesBefore = job.bytesBefore;
  report.bytesAfter = report.bytesBefore;
  switch (report.Fate()) {
    case TFileFate::NotWritten:
      report.detail = job.Reason();
      break;
    case TFileFate::Written:
      report.bytesAfter = job.bytesAfter;
      report.removed = job.run.RemovedSegments();
      if (job.result.backupAttempted) report.backup = job.result.backupName;
      break;
    case TFileFate::Clean:
      break;
  }
  return report;
}

}  // namespace

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

void TFormMain::SetOption(size_t row, bool on) {
  if (kSettingsRows[row].home == THome::CheckBox)
    view_.SetChecked(row, on);
  else
    fields_[row] = on;
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
  const std::shared_ptr<TFileJob> job =
      beginFile(FileName, std::string(platform::Tr(texts::kAnalyzing)));
  runFile(*job);
  FinishFiles({job.get()}, env_.files, env_.finishSaves);
  finishFile(*job);
}

// The label, then FLAG from the options as they stand now.
std::shared_ptr<TFileJob> TFormMain::beginFile(const std::string& FileName,
                                               const std::string& label) {
  view_.SetFileNameLabel(label);
  ExifData::TStripOptions flag = ExifData::flNone;
  for (size_t row = 0; row < kSettingsRows.size(); ++row)
    if (IsOption(kSettingsRows[row]) && OptionOn(row)) flag |= kSettingsRows[row].flag;
  if (env_.runStarting) env_.runStarting(flag);
  auto job = std::make_shared<TFileJob>(env_.files, env_.exePath, FileName);
  job->run.FLAG = flag;
  // The save writes a long scan as the search goes through it.
  job->run.PullLongScan = true;
  return job;
}

// The engine and the save, on any thread (FileRun.h).
void TFormMain::runFile(TFileJob& job) const { RunFile(job, env_.files, env_.save); }

// The file's lines, the normal cursor, its count, its warning box, its name.
void TFormMain::finishFile(TFileJob& job) {
  const TOutcomeCode outcome = job.Outcome();
  TFileReport report;
  {
    // The normal cursor returns once the file's lines are in the pane, or
    // when the engine or the save failed.
    const TNormalCursorOnExit normal(view_);
    if (job.error) {
      // The file's lines stay in the pane, right before the line of the
      // stopped batch; the error goes on to the batch.
      view_.AppendLogLines(job.lines);
      outcomes_.Add(outcome);
      std::rethrow_exception(job.error);
    }
    // Its reason is the file's own last line, not the blank ones after it.
    report = fileReport(job, outcome);
    // The file's lines and the blank lines after them, in one piece.
    job.lines.insert(job.lines.end(), 2, std::string());
    view_.AppendLogLines(job.lines);
  }

  outcomes_.Add(outcome);
  view_.FileDone(report);
  const std::string name = ExifData::FileNameOf(job.path);
  if (report.Row().warning)
    view_.ShowWarning(std::string(texts::kStripError) + name + std::string(texts::kStripErrorEnd));
  view_.SetFileNameLabel(name);
}

void TFormMain::WMDropFiles(const std::vector<std::string>& files) { append(TRoute::Drop, files); }

void TFormMain::OtherCopiesStarted(const std::vector<std::vector<std::string>>& requests) {
  if (requests.empty()) return;
  view_.BringToFront();
  const bool idle = !BatchRunning();
  for (const std::vector<std::string>& files : requests)
    if (!files.empty()) waiting_.push_back({TRoute::Drop, files});
  for (const std::vector<std::string>& files : requests)
    runTotal_ += static_cast<int>(files.size());
  if (idle && !waiting_.empty()) schedule(&TFormMain::beginBatch);
}

void TFormMain::ButtonLoadClick() { append(TRoute::Dialog, {}); }

void TFormMain::FormShow(const std::vector<std::string>& args) {
  if (!args.empty()) append(TRoute::CommandLine, args);
}

bool TFormMain::FormCloseQuery() {
  if (!BatchRunning()) return true;
  // The file in hand is finished; nothing after it begins.
  closeWhenDone_ = true;
  requestStop();
  return false;
}

void TFormMain::FormEscape() {
  if (BatchRunning())
    requestStop();
  else
    ButtonCloseClick();
}

void TFormMain::requestStop() {
  stopRequested_ = true;
  view_.SetProgressCaption(std::string(platform::Tr(texts::kStopping)));
}

void TFormMain::append(TRoute route, std::vector<std::string> files) {
  const bool idle = !BatchRunning();
  runTotal_ += static_cast<int>(files.size());
  waiting_.push_back({route, std::move(files)});
  if (idle)
    beginBatch();
  else
    showMoreFiles();
}

// The first waiting batch begins: its dialog, when it has one, picks the
// files now; a cancelled dialog is no batch. Each file then runs aside
// (TMainView::RunAside) and the window stays live; the next file begins when
// the window has shown the one before.
void TFormMain::beginBatch() {
  if (running_) return;  // one began meanwhile (a drop under the error report)
  while (!waiting_.empty() && !stopRequested_) {
    TBatch batch = std::move(waiting_.front());
    waiting_.pop_front();
    if (batch.route == TRoute::Dialog) {
      // Should the dialog fail, the batches behind it go on once its error
      // has been reported, and a close can still be honoured.
      resumeAfterReport_ = true;
      const bool picked = view_.RunPictureDialog(batch.files);
      resumeAfterReport_ = false;
      if (!picked) continue;
      runTotal_ += static_cast<int>(batch.files.size());
    }
    running_.emplace(view_, std::move(batch), outcomes_.NotWritten());
    atBatchStart_ = outcomes_;
    if (running_->route != TRoute::CommandLine) view_.ClearLog();
    schedule(&TFormMain::step);
    return;
  }
  if (stopRequested_) stopEverything();
  endRun();
  if (closeWhenDone_) view_.Close();
}

void TFormMain::step() {
  TRunning& batch = *running_;
  const bool ended = batch.next >= batch.files.size() || stopRequested_;
  // Saves that wait are finished before the batch ends, and before a file
  // whose save waits is read again.
  if (!group_.Empty() && (ended || group_.Holds(batch.files[batch.next]))) {
    finishGroup();
    return;
  }
  if (ended) {
    endBatch(true);
    return;
  }
  ++runBegun_;
  const std::string& file = batch.files[batch.next++];
  view_.SetProgressCaption(progress());
  std::shared_ptr<TFileJob> job = beginFile(file, progress() + ExifData::FileNameOf(file));
  view_.RunAside([this, job] { runFile(*job); }, [this, job] { fileDone(job); });
}

// A file done aside joins the group; the group is finished when it is due,
// and with nothing waiting the file is reported at once.
void TFormMain::fileDone(std::shared_ptr<TFileJob> job) {
  group_.Add(std::move(job));
  if (group_.Waiting() && group_.Due()) {
    finishGroup();
    return;
  }
  if (!group_.Waiting()) reportGroup();
  step();
}

// The waits of the group's saves happen aside, so that the window stays live
// through them; its files are then reported in order, and the batch goes on.
void TFormMain::finishGroup() {
  view_.RunAside([this] { group_.Finish(env_.files, env_.finishSaves); },
                 [this] {
                   reportGroup();
                   step();
                 });
}

void TFormMain::reportGroup() {
  // A failed file ends the batch, but the files of the group after it were
  // handled too: each is reported before the batch stops at the first.
  std::shared_ptr<TFileJob> failed;
  std::exception_ptr error;
  for (const std::shared_ptr<TFileJob>& job : group_.Take()) {
    try {
      finishFile(*job);
    } catch (...) {
      if (!error) {
        failed = job;
        error = std::current_exception();
      }
    }
  }
  if (!error) return;
  // An error ends the batch here: a line names the file and counts the files
  // left, which are dropped, and the error goes on to the general error
  // report.
  TRunning& batch = *running_;
  const size_t left = batch.files.size() - batch.next;
  // The label names the file the batch stopped at, not work still going on.
  view_.SetFileNameLabel(ExifData::FileNameOf(failed->path));
  outcomes_.notHandled += static_cast<int>(left);
  runTotal_ -= static_cast<int>(left);
  stoppedAt_ = failed->path;
  view_.AppendLogLines(stopLines(
      std::string(texts::kBatchStopped) + ExifData::FileNameOf(failed->path) + ": ", left));
  endBatch(false);
  std::rethrow_exception(error);
}

// Files that arrive while others are in hand count in the progress at once.
void TFormMain::showMoreFiles() {
  if (running_ && runBegun_ > 0 && !stopRequested_) view_.SetProgressCaption(progress());
}

std::string TFormMain::progress() const {
  return platform::FormatText(texts::kProgress,
                              {std::to_string(runBegun_), std::to_string(runTotal_)});
}

// Esc or a close: the files the running batch has not begun and every batch
// waiting are left as they are, and one line counts them.
size_t TFormMain::filesLeft() const {
  size_t left = running_ ? running_->files.size() - running_->next : 0;
  for (const TBatch& batch : waiting_) left += batch.files.size();
  return left;
}

void TFormMain::stopEverything() {
  const size_t left = filesLeft();
  waiting_.clear();
  outcomes_.notHandled += static_cast<int>(left);
  view_.AppendLogLines(stopLines(std::string(texts::kStoppedByUser), left));
}

// No batch runs or waits any more: the progress goes from the caption.
void TFormMain::endRun() {
  if (runBegun_ > 0 || stopRequested_) view_.SetProgressCaption("");
  runBegun_ = 0;
  runTotal_ = 0;
  stopRequested_ = false;
}

void TFormMain::endBatch(bool completed) {
  // A stop that came with the last file stops nothing.
  const bool stopped = completed && stopRequested_ && filesLeft() > 0;
  if (stopped) stopEverything();
  view_.ShowBatchSummary(std::string(texts::kSummary) +
                         OutcomeCountText(outcomes_.Since(atBatchStart_)));
  const TRoute route = running_->route;
  const bool allWritten = outcomes_.NotWritten() == running_->notWrittenBefore;
  // The caption goes back before the cursor does.
  if (completed && waiting_.empty()) endRun();
  bool closed = false;
  if (route == TRoute::CommandLine) {
    // The command line waits for its chime and then closes, unless it failed
    // or a file was left as it was: the window then stays open, so that the
    // log's reasons can be read; the user closes it.
    running_.reset();
    if (completed && !stopped) requestChime(true);
    if (completed && allWritten) {
      view_.Close();
      closed = true;
    }
  } else {
    // A stopped batch plays no chime: nothing came to its end.
    if (!stopped) requestChime(false);
    running_.reset();
  }
  // Batches that waited begin in a step of their own; after a failure, once
  // the error has been reported.
  if (!completed)
    resumeAfterReport_ = true;
  else if (!waiting_.empty())
    schedule(&TFormMain::beginBatch);
  else if (closeWhenDone_ && !closed)
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
