#include "window/WindowHost.h"

#include <wx/app.h>
#include <wx/evtloop.h>

#if wxUSE_EVENTLOOP_SOURCE
#include <wx/evtloopsrc.h>
#endif

#include <exception>

#include "app/Language.h"
#include "window/ToolkitLanguage.h"

namespace window {

#if wxUSE_EVENTLOOP_SOURCE
// The toolkit's loop watches the descriptor and calls the host when it is
// readable; the window does no work while nobody knocks.
class TWindowHost::TReadyWatch : public wxEventLoopSourceHandler {
 public:
  TReadyWatch(TWindowHost& host, int fd)
      : host_(host), source_(wxEventLoopBase::AddSourceForFD(fd, this, wxEVENT_SOURCE_INPUT)) {}
  bool Watching() const { return source_ != nullptr; }
  void OnReadWaiting() override { host_.take(); }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

 private:
  TWindowHost& host_;
  std::unique_ptr<wxEventLoopSource> source_;
};
#else
class TWindowHost::TReadyWatch {
 public:
  TReadyWatch(TWindowHost&, int) {}
  bool Watching() const { return false; }
};
#endif

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
  watch_.reset();
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
  // The batch's steps are handled here, ahead of the program's event loop,
  // waiting for each one rather than spinning. It closes the window when every
  // file was written; after an error or a file left as it was the window
  // stays open.
  if (window_.get() != nullptr && form_->BatchRunning()) {
    wxGUIEventLoop loop;
    const wxEventLoopActivator active(&loop);
    while (window_.get() != nullptr && form_->BatchRunning()) {
      wxTheApp->ProcessPendingEvents();
      if (window_.get() != nullptr && form_->BatchRunning()) loop.Dispatch();
    }
  }
  const TMainWindow* window = window_.get();
  return window != nullptr && !window->IsClosed();
}

void TWindowHost::TakeOtherCopies(app::TOtherCopies otherCopies) {
  take_ = std::move(otherCopies.take);
  if (!take_) return;
  if (otherCopies.readyFd >= 0) {
    watch_ = std::make_unique<TReadyWatch>(*this, otherCopies.readyFd);
    if (watch_->Watching()) return;
  }
  constexpr int kMilliseconds = 100;
  timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { take(); });
  timer_.Start(kMilliseconds);
}

void TWindowHost::take() {
  TMainWindow* window = window_.get();
  if (window == nullptr || window->IsClosed()) return;
  // Not left to the toolkit: a watch's callback is no place for an error.
  // The batches taken begin from the loop, not inside this callback, so that
  // later launches are answered meanwhile.
  try {
    take_(*form_);
  } catch (...) {
    window->ReportCurrentError();
  }
}

}  // namespace window
