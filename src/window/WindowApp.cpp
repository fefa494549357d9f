#include "window/WindowApp.h"

#include "window/Boxes.h"
#include "window/MainWindow.h"

namespace window {

bool TWindowApp::OnExceptionInMainLoop() {
  if (auto* window = dynamic_cast<TMainWindow*>(GetTopWindow())) {
    window->ReportCurrentError();
  } else {
    ReportCurrentErrorWithoutForm(nullptr);
  }
  return true;
}

}  // namespace window
