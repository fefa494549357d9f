// The thread that does the window's file work (load, walk, save), one piece
// at a time, so that the window's thread stays free for input and painting
// however large a file is. It only runs what it is given; the results go
// back to the window's thread as steps (TStepQueue).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace window {

class TFileWorker {
 public:
  TFileWorker() = default;
  // Lets the work in hand end; what waits is dropped.
  ~TFileWorker();
  TFileWorker(const TFileWorker&) = delete;
  TFileWorker& operator=(const TFileWorker&) = delete;

  // Runs `work` on the worker thread after the work given before it.
  void Run(std::function<void()> work);
  // Waits until no work is in hand or waiting.
  void WaitIdle();

 private:
  void loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> work_;
  bool busy_ = false;
  bool ending_ = false;
  std::thread thread_;  // started with the first work
};

}  // namespace window
