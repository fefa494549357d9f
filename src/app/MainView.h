// The narrow view that the window's logic drives. The wx window, the console
// (no display) and the tests' recorder implement it; TFormMain holds every
// behaviour, the views only show and ask.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

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

  virtual void ClearLog() = 0;
  // Appends the lines as one batch (redrawing suspended), each as one line.
  virtual void AppendLogLines(const std::vector<std::string>& lines) = 0;

  virtual void SetBusyCursor(bool busy) = 0;

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

  // Brings the window to the front (a second copy of the program asked for
  // it). Views that are not on a screen have nothing to do.
  virtual void BringToFront() {}

  // Asks the window to close; the toolkit then asks TFormMain::FormCloseQuery,
  // calls TFormMain::FormClose and keeps the window open when that throws.
  virtual void Close() = 0;
};

}  // namespace app
