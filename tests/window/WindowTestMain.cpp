// Window tests: one toolkit start for the whole run, on the display the test
// runner provides. Listing the tests needs no display (the build lists them).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/modalhook.h>

#include "window/TextConversion.h"
#include "window/WindowApp.h"

namespace {

// Any modal dialog that no test expected fails the test and is dismissed, so
// that a wrong box never waits for a user who is not there.
class TUnexpectedDialogHook : public wxModalDialogHook {
 public:
  TUnexpectedDialogHook() { Register(); }
  ~TUnexpectedDialogHook() override { Unregister(); }

 protected:
  int Enter(wxDialog* dialog) override {
    ADD_FAILURE() << "unexpected modal dialog \"" << window::ToUtf8(dialog->GetTitle()) << "\"";
    return wxID_CANCEL;
  }
  void Exit(wxDialog*) override {}
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  // The window speaks English unless a test's settings choose a language,
  // whatever the locale of the machine that runs the tests.
  for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(variable);

  int toolkitArgc = 1;
  char* toolkitArgv[] = {argv[0], nullptr};
  wxApp::SetInstance(new window::TWindowApp);
  if (!wxEntryStart(toolkitArgc, toolkitArgv)) {
    fprintf(stderr, "The window tests need a display (run them under xvfb-run).\n");
    return 1;
  }
  wxTheApp->CallOnInit();
  int status;
  {
    TUnexpectedDialogHook hook;
    status = RUN_ALL_TESTS();
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return status;
}
