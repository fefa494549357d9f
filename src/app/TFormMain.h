// The window's logic: the per-file run, the input routes, the settings and the
// chime requests, over a TMainView. One instance per program (FormMain).
#pragma once

#include <array>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/FileRun.h"
#include "app/MainView.h"
#include "app/Options.h"
#include "app/OutcomeCounts.h"
#include "app/SaveGroup.h"
#include "engine/ExifData.h"
#include "platform/Sound.h"

namespace app {

// Where the program's environment comes in: file access, the executable's
// path, the settings folder and the chime player. Tests hand in their own.
struct TFormEnvironment {
  ExifData::TFileAccess& files;
  TSave save;  // the crash-safe save (FileRun.h)
  std::string exePath;
  std::string appDataFolder;  // the per-user application-data folder, may be empty
  platform::TChimePlayer& chime;
  // Told the FLAG of each file's run before the engine starts; may be empty.
  std::function<void(ExifData::TStripOptions FLAG)> runStarting = {};
  // Finishes the saves `save` left pending, a group at a time.
  TFinishSaves finishSaves = platform::FinishSaves;
};

class TFormMain {
 public:
  TFormMain(TMainView& view, TFormEnvironment env);

  // Window created: version label, empty pane and label, settings read.
  void FormCreate();
  // First showing: the command-line batch, when `args` is not empty, which
  // closes the view when it has run to its end with every file written or
  // already clean. After a file left as it was, or an error, the view stays
  // open with the log that says why.
  void FormShow(const std::vector<std::string>& args);
  // Asked before the view closes: false while a batch runs; the batch then
  // stops after the current file and closes the view.
  bool FormCloseQuery();
  // Closing: writes the settings. Throws when they cannot be written; the
  // window then stays open.
  void FormClose();

  // A drop or a click on "Load picture" appends a batch; one that arrives
  // while another runs waits for it and runs after it, in order.
  void WMDropFiles(const std::vector<std::string>& files);
  // Second copies of the program were started, each with its files (none:
  // it only wants the window). The window comes to the front and each list
  // is appended as a dropped batch, which begins in a step of its own.
  // Runs nothing itself, so that it can be called from any point of the
  // event loop, even under a box that a batch shows.
  void OtherCopiesStarted(const std::vector<std::vector<std::string>>& requests);
  void ButtonLoadClick();
  void ButtonCloseClick();
  // Esc: while files are in hand it stops them after the current one (the
  // batches waiting go too); otherwise it closes, as the Close button does.
  void FormEscape();
  void SpinEditSoundChange();

  // One file: FLAG from the options, the engine, the log, the save or the warning.
  void StripJpeg(const std::string& FileName);

  // The general error report of `message`, captioned by the executable's
  // name. The batches that waited behind a failed one then go on.
  void ReportError(std::string_view message);

  void ReadIni();
  void WriteIni();

  int SoundNo() const { return SoundNo_; }
  // The option of row `row` of kSettingsRows: its check box or its field.
  bool OptionOn(size_t row) const;
  // Sets the option of row `row` for the files that follow (one run's choice
  // over the settings read).
  void SetOption(size_t row, bool on);

  // Files of the batches run so far that were not written over and not clean already.
  int FilesNotWritten() const { return outcomes_.NotWritten(); }
  const TOutcomeCounts& Outcomes() const { return outcomes_; }
  // The file whose error stopped the last batch that stopped (as given), or empty.
  const std::string& StoppedAt() const { return stoppedAt_; }
  const std::string& ExePath() const { return env_.exePath; }
  // A batch runs, or waits to begin.
  bool BatchRunning() const { return running_.has_value() || !waiting_.empty(); }

 private:
  enum class TRoute { Drop, Dialog, CommandLine };
  struct TBatch {
    TRoute route;
    std::vector<std::string> files;
  };
  // Brings the normal cursor back when it goes, on every path.
  class TNormalCursorOnExit {
   public:
    explicit TNormalCursorOnExit(TMainView& view) : view_(view) {}
    ~TNormalCursorOnExit() { view_.SetBusyCursor(false); }
    TNormalCursorOnExit(const TNormalCursorOnExit&) = delete;
    TNormalCursorOnExit& operator=(const TNormalCursorOnExit&) = delete;

   protected:
    TMainView& view_;
  };
  // Shows the busy cursor for as long as it lives.
  class TBusyCursor : public TNormalCursorOnExit {
   public:
    explicit TBusyCursor(TMainView& view) : TNormalCursorOnExit(view) { view_.SetBusyCursor(true); }
  };
  struct TRunning {
    TRunning(TMainView& view, TBatch batch, int notWritten)
        : busy(view),
          route(batch.route),
          files(std::move(batch.files)),
          notWrittenBefore(notWritten) {}
    TBusyCursor busy;
    TRoute route;
    std::vector<std::string> files;
    size_t next = 0;       // the file the next step runs
    int notWrittenBefore;  // files not written before this batch began
  };

  void append(TRoute route, std::vector<std::string> files);
  void beginBatch();
  void step();
  void fileDone(std::shared_ptr<TFileJob> job);
  void finishGroup();
  void reportGroup();
  std::shared_ptr<TFileJob> beginFile(const std::string& FileName, const std::string& label);
  void runFile(TFileJob& job) const;
  void finishFile(TFileJob& job);
  void endBatch(bool completed);
  void requestStop();
  size_t filesLeft() const;
  void stopEverything();
  void endRun();
  std::string progress() const;
  void showMoreFiles();
  void schedule(void (TFormMain::*what)());
  void requestChime(bool wait);

  TMainView& view_;
  TFormEnvironment env_;
  std::string INIPath_;
  std::string INIFile_;
  // The chime number as the selector last reported it, 0 for silence. The
  // number itself, not the "#n" resource name: the player takes numbers.
  int SoundNo_ = 0;
  std::array<bool, kSettingsRows.size()> fields_{};  // the options kept in form fields
  std::string language_;  // the "Language" setting as read, written back unchanged
  TOutcomeCounts outcomes_;
  std::string stoppedAt_;
  std::optional<TRunning> running_;
  // Files of the running batch done aside whose saves, or reports, wait.
  TSaveGroup group_;
  std::deque<TBatch> waiting_;
  bool closeWhenDone_ = false;
  bool stopRequested_ = false;  // Esc or a close: no further file begins
  // Files begun and files known since the window was last idle: "N of M".
  int runBegun_ = 0;
  int runTotal_ = 0;
  TOutcomeCounts atBatchStart_;     // the counts when the running batch began
  bool resumeAfterReport_ = false;  // a batch failed; its error is not yet reported
};

}  // namespace app
