#include "window/WindowApp.h"

#include "app/ErrorReport.h"
#include "platform/Files.h"
#include "window/Boxes.h"
#include "window/MainWindow.h"
#include "window/TextConversion.h"

namespace window {

bool TWindowApp::OnExceptionInMainLoop() {
  if (auto* window = dynamic_cast<TMainWindow*>(GetTopWindow())) {
    window->ReportCurrentError();
  } else {
    ShowErrorReportBox(nullptr, ToWx(app::ErrorReportCaption(platform::ExecutablePath())),
                       ToWx(app::ErrorReportText(CurrentExceptionMessage())));
  }
  return true;
}

}  // namespace window
