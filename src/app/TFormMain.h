// The window's logic: the per-file run, the input routes, the settings and the
// chime requests, over a TMainView. One instance per program (FormMain).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/MainView.h"
#include "engine/ExifData.h"
#include "platform/Sound.h"

namespace app {

// Where the program's environment comes in: file access, the executable's
// path, the settings folder and the chime player. Tests hand in their own.
struct TFormEnvironment {
  ExifData::TFileAccess& files;
  std::function<void(const std::string& path, const void* data, size_t size)> save;
  std::string exePath;
  std::string appDataFolder;  // the per-user application-data folder, may be empty
  platform::TChimePlayer& chime;
};

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
  bool WriteComment() const { return WriteComment_; }
  bool OriginalJFIF() const { return OriginalJFIF_; }
  bool KeepOrientation() const { return KeepOrientation_; }
  bool KeepICC() const { return KeepICC_; }
  uint8_t LastFLAG() const { return FLAG_; }

  // Runs the batches that arrived while another one ran. Called by the routes;
  // the window calls it again after an error report so that none is lost.
  void RunQueuedBatches();

  // Files of the batches run so far that were not stripped and written.
  int FilesNotWritten() const { return filesNotWritten_; }
  bool BatchRunning() const { return batchRunning_; }

 private:
  enum class TRoute { Drop, Dialog };
  struct TQueued {
    TRoute route;
    std::vector<std::string> files;
  };

  void runBatch(const std::vector<std::string>& files);
  void requestChime(bool wait);

  TMainView& view_;
  TFormEnvironment env_;
  std::string INIPath_;
  std::string INIFile_;
  std::string SoundNo_ = "#0";
  bool WriteComment_ = true;
  bool OriginalJFIF_ = false;
  bool KeepOrientation_ = false;
  bool KeepICC_ = false;
  uint8_t FLAG_ = 0;
  int filesNotWritten_ = 0;
  bool batchRunning_ = false;
  std::deque<TQueued> queued_;
};

}  // namespace app
