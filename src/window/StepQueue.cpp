#include "window/StepQueue.h"

#include <wx/app.h>
#include <wx/timer.h>

#include <deque>
#include <mutex>

#ifdef __WXGTK__
#include "window/GtkFunction.h"
#endif

namespace window {

struct TStepQueue::TState {
  std::mutex mutex;
  std::deque<std::function<void()>> steps;
  bool asked = false;  // a turn of the loop has been asked for
  bool open = true;
#ifndef __WXGTK__
  std::unique_ptr<wxTimer> timer;
#endif

  // Runs the first step; true when more wait.
  bool RunOne() {
    std::function<void()> step;
    {
      const std::lock_guard<std::mutex> lock(mutex);
      if (!open || steps.empty()) {
        asked = false;
        return false;
      }
      step = std::move(steps.front());
      steps.pop_front();
    }
    step();
    const std::lock_guard<std::mutex> lock(mutex);
    asked = open && !steps.empty();
    return asked;
  }
};

namespace {

using TStatePtr = std::shared_ptr<TStepQueue::TState>;

#ifdef __WXGTK__
// GLib's idle sources, at the priority of the toolkit's own idle work: below
// input (default priority) and painting (high idle + 20), so that each step
// comes after what the user did and after the window has been drawn.
constexpr int kPriorityLow = 300;
constexpr int kRemove = 0;
constexpr int kContinue = 1;
using TSourceFn = int (*)(void*);
using TDestroyFn = void (*)(void*);
using TIdleAddFull = unsigned (*)(int, TSourceFn, void*, TDestroyFn);

int runOne(void* data) { return (*static_cast<TStatePtr*>(data))->RunOne() ? kContinue : kRemove; }

void release(void* data) { delete static_cast<TStatePtr*>(data); }

void askForTurn(const TStatePtr& state) {
  static const auto idleAdd = GtkFunction<TIdleAddFull>("g_idle_add_full");
  idleAdd(kPriorityLow, &runOne, new TStatePtr(state), &release);
}
#else
// Elsewhere a timer's message comes after input and painting.
class TStepTimer : public wxTimer {
 public:
  explicit TStepTimer(TStepQueue::TState& state) : state_(state) {}
  void Notify() override {
    if (state_.RunOne()) StartOnce(1);
  }

 private:
  TStepQueue::TState& state_;
};

void askForTurn(const TStatePtr& state) {
  wxTheApp->CallAfter([state] {
    if (state->open) state->timer->StartOnce(1);
  });
}
#endif

}  // namespace

TStepQueue::TStepQueue() : state_(std::make_shared<TState>()) {
#ifndef __WXGTK__
  state_->timer = std::make_unique<TStepTimer>(*state_);
#endif
}

TStepQueue::~TStepQueue() {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  state_->open = false;
  state_->steps.clear();
#ifndef __WXGTK__
  state_->timer->Stop();
#endif
}

void TStepQueue::Post(std::function<void()> step) {
  bool ask = false;
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->open) return;
    state_->steps.push_back(std::move(step));
    ask = !state_->asked;
    state_->asked = true;
  }
  if (ask) askForTurn(state_);
}

}  // namespace window
