// The files of a batch whose saves wait to be finished together, and the
// files after them, whose reports wait their turn: on a disk every finished
// save waits for the disk, and a group of files waits once where each file
// alone would wait once per file. A file is reported only once its save is
// finished, and files are reported in the order they ran.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/FileRun.h"

namespace app {

class TSaveGroup {
 public:
  // Saves waiting at most at once (fewer where the platform allows fewer):
  // enough for the disk to take their bytes together (2,000 small photos on
  // a disk took the same with groups of 64, 256 or 1,024), few enough that a
  // report never lags far behind and that what a group holds stays small
  // (on tmpfs, groups of 1,024 made that batch a quarter slower).
  static constexpr size_t kMaxFiles = 64;
  static constexpr uint64_t kMaxBytes = 64ull << 20;
  // On a slow disk the log still follows the files within about this long.
  static constexpr std::chrono::milliseconds kMaxWait{1000};

  TSaveGroup();

  // A job done aside joins the group, behind the others.
  void Add(std::shared_ptr<TFileJob> job);
  bool Empty() const { return jobs_.empty(); }
  // Saves of the group wait to be finished.
  bool Waiting() const { return waitingFiles_ > 0; }
  // The group is to be finished before the next file runs: it holds enough
  // files or bytes, its first save has waited long enough, or its last
  // file's report should not wait (a warning box or an error that ends the
  // batch).
  bool Due() const;
  // A save of the group waits for the file `path` as given: it must be
  // finished before that file is read again.
  bool Holds(const std::string& path) const;
  // Finishes the waiting saves (FinishFiles). Runs on any thread.
  void Finish(ExifData::TFileAccess& files, const TFinishSaves& finish);
  // The jobs in order; the group is empty after.
  std::vector<std::shared_ptr<TFileJob>> Take();

 private:
  std::vector<std::shared_ptr<TFileJob>> jobs_;
  size_t maxFiles_;
  size_t waitingFiles_ = 0;
  uint64_t waitingBytes_ = 0;
  std::chrono::steady_clock::time_point firstWaiting_;
  // The files whose saves wait, by file name: name, then path as given.
  std::unordered_multimap<std::string, std::string> waitingNames_;
};

}  // namespace app
