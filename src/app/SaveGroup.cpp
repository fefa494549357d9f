#include "app/SaveGroup.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "engine/PathRules.h"
#include "platform/Files.h"

namespace app {

TSaveGroup::TSaveGroup() : maxFiles_(std::min(kMaxFiles, platform::MaxWaitingSaves())) {}

void TSaveGroup::Add(std::shared_ptr<TFileJob> job) {
  if (job->pending) {
    if (waitingFiles_ == 0) firstWaiting_ = std::chrono::steady_clock::now();
    ++waitingFiles_;
    waitingBytes_ += job->pending->Size();
    waitingNames_.emplace(ExifData::FileNameOf(job->path), job->path);
  }
  jobs_.push_back(std::move(job));
}

bool TSaveGroup::Due() const {
  if (jobs_.empty()) return false;
  if (waitingFiles_ >= maxFiles_ || waitingBytes_ >= kMaxBytes) return true;
  if (waitingFiles_ > 0 && std::chrono::steady_clock::now() - firstWaiting_ >= kMaxWait)
    return true;
  const TFileJob& last = *jobs_.back();
  return last.error != nullptr || OutcomeRow(last.Outcome()).warning;
}

bool TSaveGroup::Holds(const std::string& path) const {
  // The same name written another way ("./a.jpg") is the same file too; a
  // link to it is not seen here, and its save is then refused as a file
  // changed since it was read, which loses nothing. Names are looked up
  // first: a group of many files is asked once per file.
  const auto [first, last] = waitingNames_.equal_range(ExifData::FileNameOf(path));
  for (auto at = first; at != last; ++at) {
    const std::string& waiting = at->second;
    if (waiting == path || platform::AbsolutePath(waiting) == platform::AbsolutePath(path))
      return true;
  }
  return false;
}

void TSaveGroup::Finish(ExifData::TFileAccess& files, const TFinishSaves& finish) {
  std::vector<TFileJob*> jobs;
  jobs.reserve(jobs_.size());
  for (const std::shared_ptr<TFileJob>& job : jobs_) jobs.push_back(job.get());
  FinishFiles(jobs, files, finish);
  waitingFiles_ = 0;
  waitingBytes_ = 0;
  waitingNames_.clear();
}

std::vector<std::shared_ptr<TFileJob>> TSaveGroup::Take() {
  waitingFiles_ = 0;
  waitingBytes_ = 0;
  waitingNames_.clear();
  return std::exchange(jobs_, {});
}

}  // namespace app
