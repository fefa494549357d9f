// The window's logic: the per-file run, the input routes, the settings and the
// chime requests, over a TMainView. One instance per program (FormMain).
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <string>
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
  // First showing: the command-line batch, when `args` is not empty, then close.
  void FormShow(const std::vector<std::string>& args);
  // Closing: writes the settings. Throws when they cannot be written; the
  // window then stays open.
  void FormClose();

  void WMDropFiles(const std::vector<std::string>& files);
  // Second copies of the program were started, each with its files (none:
  // it only wants the window). The window comes to the front and each list
  // is queued as a dropped batch; RunQueuedBatches runs them, after the
  // batch in hand. Runs nothing itself, so that it can be called from any
  // point of the event loop, even under a box that a batch shows.
  void OtherCopiesStarted(const std::vector<std::vector<std::string>>& requests);
  void ButtonLoadClick();
  void ButtonCloseClick();
  void SpinEditSoundChange();

  // One file: FLAG from the options, the engine, the log, the save or the warning.
  void StripJpeg(const std::string& FileName);

  void ReadIni();
  void WriteIni();
  std::string GetPath(int nFolder) const;

  const std::string& INIPath() const { return INIPath_; }
  const std::string& INIFile() const { return INIFile_; }
  const std::string& SoundNo() const { return SoundNo_; }
  // The option of row `row` of kSettingsRows: its check box or its field.
  bool OptionOn(size_t row) const;
  uint8_t LastFLAG() const { return FLAG_; }

  // Runs the batches that arrived while another one ran. Called by the routes;
  // the window calls it again after an error report so that none is lost.
  void RunQueuedBatches();

  // Files of the batches run so far that were not written over and not clean already.
  int FilesNotWritten() const { return outcomes_.NotWritten(); }
  const TOutcomeCounts& Outcomes() const { return outcomes_; }
  // The file whose error stopped the last batch that stopped (as given), or empty.
  const std::string& StoppedAt() const { return stoppedAt_; }
  bool BatchRunning() const { return batchRunning_; }

 private:
  enum class TRoute { Drop, Dialog };
  struct TQueued {
    TRoute route;
    std::vector<std::string> files;
  };

  void runBatch(const std::vector<std::string>& files);
  // StripJpeg for each file; when one throws, the line that names it and counts
  // the files left, then the error passes on.
  void stripFiles(const std::vector<std::string>& files);
  void notWritten(TNotWritten kind) { ++outcomes_.notWritten[static_cast<size_t>(kind)]; }
  void requestChime(bool wait);

  TMainView& view_;
  TFormEnvironment env_;
  std::string INIPath_;
  std::string INIFile_;
  std::string SoundNo_ = "#0";
  std::array<bool, kSettingsRows.size()> fields_{};  // the options kept in form fields
  uint8_t FLAG_ = 0;
  TOutcomeCounts outcomes_;
  std::string stoppedAt_;
  bool batchRunning_ = false;
  std::deque<TQueued> queued_;
};

}  // namespace app
