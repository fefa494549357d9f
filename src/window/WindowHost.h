// One main window with its logic: the frame is the view, TFormMain decides.
// The program makes one; window tests make one per test.
#pragma once

#include <wx/string.h>  // brings <type_traits>, which wx/weakref.h uses unannounced
#include <wx/timer.h>
#include <wx/weakref.h>

#include <memory>
#include <string>
#include <vector>

#include "app/OtherCopies.h"
#include "app/TFormMain.h"
#include "window/MainWindow.h"

namespace window {

class TWindowHost {
 public:
  explicit TWindowHost(app::TFormEnvironment environment);
  // Destroys the window if it is still there.
  ~TWindowHost();
  TWindowHost(const TWindowHost&) = delete;
  TWindowHost& operator=(const TWindowHost&) = delete;

  // FormCreate, then the first showing: the window is shown, centred, and the
  // command-line batch runs to its end in it, closing it when every file was
  // written. True when the window stays open.
  bool Start(const std::vector<std::string>& args);

  // Takes what second copies hand over while the window is open and no close
  // has been accepted (so nothing is taken that a closing window would lose):
  // as soon as one waits, where the channel has a descriptor to watch.
  void TakeOtherCopies(app::TOtherCopies otherCopies);

  // The frame; nullptr once it has been deleted.
  TMainWindow* Window() const { return window_.get(); }
  app::TFormMain& Form() { return *form_; }

 private:
  class TReadyWatch;
  void take();

  wxWeakRef<TMainWindow> window_;
  std::unique_ptr<app::TFormMain> form_;
  app::TFormTask take_;
  std::unique_ptr<TReadyWatch> watch_;
  wxTimer timer_;
};

}  // namespace window
