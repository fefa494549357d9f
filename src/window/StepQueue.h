// Steps for the window's thread, one per turn of the event loop and after
// the input and painting that are waiting. Posting is safe from any thread.
//
// The toolkit's deferred calls are not used for this: its loop handles every
// deferred call there is, including those posted meanwhile, before it returns
// to the system's loop, so a chain of steps that each post the next kept the
// window from input and painting until the chain ended.
#pragma once

#include <functional>
#include <memory>

namespace window {

class TStepQueue {
 public:
  TStepQueue();
  // Steps not yet run are dropped.
  ~TStepQueue();
  TStepQueue(const TStepQueue&) = delete;
  TStepQueue& operator=(const TStepQueue&) = delete;

  void Post(std::function<void()> step);

  struct TState;

 private:
  std::shared_ptr<TState> state_;
};

}  // namespace window
