#include "window/WindowHost.h"

namespace window {

TWindowHost::TWindowHost(app::TFormEnvironment environment) {
  auto* window = new TMainWindow;  // owned by the toolkit: deleted when closed
  window_ = window;
  form_ = std::make_unique<app::TFormMain>(*window, std::move(environment));
  window->Attach(form_.get());
}

TWindowHost::~TWindowHost() {
  timer_.Stop();
  if (TMainWindow* window = window_.get()) {
    window->Attach(nullptr);
    window->Destroy();
  }
}

bool TWindowHost::Start(const std::vector<std::string>& args) {
  // Errors here have no event loop around them yet: report them the same way.
  try {
    form_->FormCreate();
  } catch (...) {
    window_->ReportCurrentError();
  }
  try {
    form_->FormShow(args);
  } catch (...) {
    window_->ReportCurrentError();  // the window then stays open
  }
  TMainWindow* window = window_.get();
  if (window == nullptr || window->IsClosed()) return false;
  window->Centre();
  window->Show();
  return true;
}

void TWindowHost::RunWhileOpen(app::TFormTask task) {
  constexpr int kMilliseconds = 100;
  task_ = std::move(task);
  if (!task_) return;
  timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    TMainWindow* window = window_.get();
    if (window == nullptr || window->IsClosed()) return;
    // Not left to the toolkit: a timer's callback is no place for an error.
    try {
      task_(*form_);
    } catch (...) {
      window->ReportCurrentError();
      return;
    }
    // What the task queued runs from the loop, not inside this callback: the
    // timer does not fire again until its callback returns, and a box that a
    // batch shows would leave later launches unanswered meanwhile.
    window->CallAfter([this] {
      try {
        form_->RunQueuedBatches();
      } catch (...) {
        if (TMainWindow* shown = window_.get()) shown->ReportCurrentError();
      }
    });
  });
  timer_.Start(kMilliseconds);
}

}  // namespace window
