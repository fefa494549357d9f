#include "window/WindowHost.h"

#include <wx/app.h>

#include <exception>

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
  // Errors here have no event loop around them yet: reported the same way,
  // once the window they belong to is on screen.
  std::exception_ptr createError;
  try {
    form_->FormCreate();
  } catch (...) {
    createError = std::current_exception();
  }
  // On screen before the command-line batch: its boxes belong to the window
  // and are centred on it, and its log is there to be read.
  if (TMainWindow* window = window_.get()) {
    window->Centre();
    window->Show();
    if (createError) {
      try {
        std::rethrow_exception(createError);
      } catch (...) {
        window->ReportCurrentError();
      }
    }
  }
  form_->FormShow(args);
  // The batch's steps are handled here, ahead of the program's event loop. It
  // closes the window when every file was written; after an error or a file
  // left as it was the window stays open.
  while (window_.get() != nullptr && form_->BatchRunning()) wxYield();
  const TMainWindow* window = window_.get();
  return window != nullptr && !window->IsClosed();
}

void TWindowHost::RunWhileOpen(app::TFormTask task) {
  constexpr int kMilliseconds = 100;
  task_ = std::move(task);
  if (!task_) return;
  timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    TMainWindow* window = window_.get();
    if (window == nullptr || window->IsClosed()) return;
    // Not left to the toolkit: a timer's callback is no place for an error.
    // The batches the task appends begin from the loop, not inside this
    // callback, so that later launches are answered meanwhile.
    try {
      task_(*form_);
    } catch (...) {
      window->ReportCurrentError();
    }
  });
  timer_.Start(kMilliseconds);
}

}  // namespace window
