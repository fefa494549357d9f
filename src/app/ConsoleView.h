// The view of a run without a display: log lines go to standard output, boxes
// to standard error, and closing writes the settings at once.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "app/MainView.h"
#include "app/Options.h"

namespace app {

class TFormMain;

// `text` as the console shows it: control characters, the eight-bit controls
// and bytes that are not UTF-8 are written as escapes (\n, \r, \t, \x1B,
// \u009B), so a file name can neither forge log lines nor run terminal codes.
// The window shows names as they are.
std::string EscapeForConsole(std::string_view text);

class TConsoleView : public TMainView {
 public:
  TConsoleView(std::ostream& out, std::ostream& err);
  void Attach(TFormMain& form) { form_ = &form; }

  void SetFileNameLabel(const std::string&) override {}
  void SetVersionLabel(const std::string&) override {}
  void ScheduleStep(std::function<void()> step) override { steps_.push_back(std::move(step)); }
  void ClearLog() override {}
  void AppendLogLines(const std::vector<std::string>& lines) override;
  void SetBusyCursor(bool) override {}
  bool IsChecked(size_t row) const override { return checked_[row]; }
  void SetChecked(size_t row, bool checked) override { checked_[row] = checked; }
  int SoundValue() const override { return soundValue_; }
  void SetSoundValue(int value) override { soundValue_ = value; }
  bool SoundVisible() const override { return soundVisible_; }
  void SetSoundVisible(bool visible) override { soundVisible_ = visible; }
  void SetSoundLabelVisible(bool) override {}
  void ShowWarning(const std::string& text) override;
  void ShowAbortError(const std::string& text) override;
  void ShowErrorReport(const std::string& caption, const std::string& text) override;
  bool RunPictureDialog(std::vector<std::string>&) override { return false; }
  void Close() override;

  // Runs the scheduled steps, and those they schedule, until none is left.
  // An error stops the run; the steps still scheduled stay.
  void RunSteps();
  bool Closed() const { return closed_; }
  // A close was tried, whether or not the settings could be written.
  bool CloseAttempted() const { return closeAttempted_; }
  // A close then leaves the settings file as it is (a run whose options were
  // chosen on the command line).
  void KeepSettingsFile() { keepSettings_ = true; }

 private:
  void box(const std::string& caption, const std::string& text);

  std::ostream& out_;
  std::ostream& err_;
  TFormMain* form_ = nullptr;
  std::deque<std::function<void()>> steps_;
  std::array<bool, kSettingsRows.size()> checked_{};
  int soundValue_ = 0;
  bool soundVisible_ = false;
  bool closed_ = false;
  bool closeAttempted_ = false;
  bool keepSettings_ = false;
};

}  // namespace app
