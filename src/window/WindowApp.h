// The toolkit's application object: the general error report for errors that
// escape an event handler, after which the event loop goes on.
#pragma once

#include <wx/app.h>

namespace window {

class TWindowApp : public wxApp {
 public:
  // No command-line parsing: every argument is a file to strip.
  bool OnInit() override { return true; }
  // Shows the report and keeps the loop running.
  bool OnExceptionInMainLoop() override;
};

}  // namespace window
