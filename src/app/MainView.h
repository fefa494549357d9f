// The narrow view that the window's logic drives. The wx window, the console
// (no display) and the tests' recorder implement it; TFormMain holds every
// behaviour, the views only show and ask.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "app/FileReport.h"

namespace app {

class TMainView {
 public:
  virtual ~TMainView() = default;

  virtual void SetFileNameLabel(const std::string& text) = 0;
  virtual void SetVersionLabel(const std::string& text) = 0;
  // Runs `step` later, once the events pending now have been handled: the
  // window posts it to its event loop, the console runs steps one after
  // another. An error thrown by `step` ends in the general error report.
  virtual void ScheduleStep(std::function<void()> step) = 0;
  // Runs `work` where it does not hold up the window, then `done` as a step.
  // `work` touches nothing of the view or the form. The window runs it on a
  // thread of its own, so that it stays live through a long file; views
  // without an event loop run it at once.
  virtual void RunAside(const std::function<void()>& work, std::function<void()> done) {
    work();
    ScheduleStep(std::move(done));
  }

  virtual void ClearLog() = 0;
  // Appends the lines as one batch (redrawing suspended), each as one line.
  virtual void AppendLogLines(const std::vector<std::string>& lines) = 0;

  virtual void SetBusyCursor(bool busy) = 0;

  // How far the files in hand have come, e.g. "3 of 420: " (empty when none
  // runs): the window puts it before its caption. Views without a caption
  // have nothing to do.
  virtual void SetProgressCaption(const std::string& /*prefix*/) {}
  // The line that sums up a batch that has ended. The console counts its
  // outcomes in a line of its own at the end, so by default nothing is shown.
  virtual void ShowBatchSummary(const std::string& /*line*/) {}

  // The check box of the option row `row` (a row of kSettingsRows whose home is
  // a check box).
  virtual bool IsChecked(size_t row) const = 0;
  virtual void SetChecked(size_t row, bool checked) = 0;

  // The chime selector. SoundValue is its text read as an integer (0 when the
  // text is not a whole number). SetSoundValue shows the number as given and
  // fires no change notification of its own: the caller decides on that.
  virtual int SoundValue() const = 0;
  virtual void SetSoundValue(int value) = 0;
  virtual bool SoundVisible() const = 0;
  virtual void SetSoundVisible(bool visible) = 0;
  virtual void SetSoundLabelVisible(bool visible) = 0;

  // Modal boxes, captioned in the user's language. Warning: caption "Warning", one "OK" button,
  // warning icon.
  virtual void ShowWarning(const std::string& text) = 0;
  // Error box: caption "Error", one "&Abort" button, error icon.
  virtual void ShowAbortError(const std::string& text) = 0;
  // The general error report: error icon, one OK button.
  virtual void ShowErrorReport(const std::string& caption, const std::string& text) = 0;

  // The picture dialog. False when cancelled; otherwise the selected paths.
  virtual bool RunPictureDialog(std::vector<std::string>& files) = 0;

  // A file of a batch is done: told after its log lines and before its
  // warning. Views that show the log need nothing more.
  virtual void FileDone(const TFileReport& report) { static_cast<void>(report); }

  // Brings the window to the front (a second copy of the program asked for
  // it). Views that are not on a screen have nothing to do.
  virtual void BringToFront() {}

  // Asks the window to close; the toolkit then asks TFormMain::FormCloseQuery,
  // calls TFormMain::FormClose and keeps the window open when that throws.
  virtual void Close() = 0;
};

}  // namespace app
