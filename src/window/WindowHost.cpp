#include "window/WindowHost.h"

#include <wx/app.h>

#include "app/Language.h"
#include "window/ToolkitLanguage.h"

namespace window {

TWindowHost::TWindowHost(app::TFormEnvironment environment) {
  // The controls take their texts when they are made.
  UseToolkitLanguage(app::UseChosenLanguage(environment.exePath, environment.appDataFolder));
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
  form_->FormShow(args);
  // The command-line batch runs before the window is on screen: its steps are
  // handled here, ahead of the program's event loop. An error stops it and
  // the window then stays open.
  while (window_.get() != nullptr && form_->BatchRunning()) wxYield();
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
