// The window's logic: the per-file run, the input routes, the settings and the
// chime requests, over a TMainView. One instance per program (FormMain).
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainView.h"
#include "app/Options.h"
#include "engine/ExifData.h"
#include "platform/Sound.h"

namespace app {

// Where the program's environment comes in: file access, the executable's
// path, the settings folder and the chime player. Tests hand in their own.
struct TFormEnvironment {
  ExifData::TFileAccess& files;
  // Writes the pieces, one after the other, over the file at `path`.
  std::function<void(const std::string& path, const ExifData::TBytePieces& pieces)> save;
  std::string exePath;
  std::string appDataFolder;  // the per-user application-data folder, may be empty
  platform::TChimePlayer& chime;
};

// Why a file was not written over, by kind.
enum class TNotWritten { NotLoaded, NotJpeg, TooLarge, Damaged, BackupFailed, Changed, Error };
inline constexpr size_t kNotWrittenKinds = 7;

// What became of the files of the batches run so far.
struct TOutcomeCounts {
  int written = 0;
  int unchanged = 0;  // nothing left to remove: left as they were, counted as done
  std::array<int, kNotWrittenKinds> notWritten{};
  int notHandled = 0;  // after the file whose error stopped a batch

  int NotWritten() const;
};

// "3 written, 1 already clean, 2 not written (1 not JPEG, 1 damaged), 0 not handled."
std::string OutcomeCountText(const TOutcomeCounts& counts);

class TFormMain {
 public:
  TFormMain(TMainView& view, TFormEnvironment env);

  // Window created: version label, empty pane and label, settings read.
  void FormCreate();
  // First showing: the command-line batch, when `args` is not empty, which
  // closes the view when it has run to its end.
  void FormShow(const std::vector<std::string>& args);
  // Asked before the view closes: false while a batch runs, and the batch
  // then closes the view when it and those waiting behind it have ended.
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
  void SpinEditSoundChange();

  // One file: FLAG from the options, the engine, the log, the save or the warning.
  void StripJpeg(const std::string& FileName);

  // The general error report of `message`, captioned by the executable's
  // name. The batches that waited behind a failed one then go on.
  void ReportError(std::string_view message);

  void ReadIni();
  void WriteIni();

  const std::string& INIPath() const { return INIPath_; }
  const std::string& INIFile() const { return INIFile_; }
  int SoundNo() const { return SoundNo_; }
  // The option of row `row` of kSettingsRows: its check box or its field.
  bool OptionOn(size_t row) const;
  uint8_t LastFLAG() const { return FLAG_; }

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
    TRunning(TMainView& view, TBatch batch)
        : busy(view), route(batch.route), files(std::move(batch.files)) {}
    TBusyCursor busy;
    TRoute route;
    std::vector<std::string> files;
    size_t next = 0;  // the file the next step runs
  };

  void append(TRoute route, std::vector<std::string> files);
  void beginBatch();
  void step();
  void endBatch(bool completed);
  void schedule(void (TFormMain::*what)());
  void appendOutcomeLine(const ExifData::TAnalyzeResult& result, std::vector<std::string>& lines);
  void notWritten(TNotWritten kind) { ++outcomes_.notWritten[static_cast<size_t>(kind)]; }
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
  uint8_t FLAG_ = 0;
  TOutcomeCounts outcomes_;
  std::string stoppedAt_;
  std::optional<TRunning> running_;
  std::deque<TBatch> waiting_;
  bool closeWhenDone_ = false;
  bool resumeAfterReport_ = false;  // a batch failed; its error is not yet reported
};

}  // namespace app
