#include "window/FileWorker.h"

namespace window {

TFileWorker::~TFileWorker() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    work_.clear();
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TFileWorker::Run(std::function<void()> work) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    work_.push_back(std::move(work));
    if (!thread_.joinable()) thread_ = std::thread([this] { loop(); });
  }
  changed_.notify_all();
}

void TFileWorker::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_ && work_.empty(); });
}

void TFileWorker::loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return ending_ || !work_.empty(); });
    if (ending_) return;
    std::function<void()> work = std::move(work_.front());
    work_.pop_front();
    busy_ = true;
    lock.unlock();
    work();  // catches its own errors
    work = nullptr;
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace window
