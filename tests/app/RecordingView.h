// A view that records what the window's logic shows and answers its questions
// from a script; no display, no waiting.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/MainView.h"
#include "app/Options.h"

namespace velmora::test {

class TRecordingView : public app::TMainView {
 public:
  // Every call, in order, as "Name:argument" (boxes, labels, cursor, pane).
  std::vector<std::string> events;
  std::vector<std::string> log;                           // the pane's lines
  std::array<bool, app::kSettingsRows.size()> checked{};  // by option row
  int soundValue = 0;
  bool soundVisible = false;
  bool soundLabelVisible = false;
  bool closed = false;
  // Called before each step, where the window handles the events pending.
  std::function<void()> beforeStep;
  std::function<void()> onClose;
  // The picture dialog's answers, one per call; an empty optional cancels.
  std::vector<std::vector<std::string>> dialogAnswers;
  bool dialogCancels = false;
  bool dialogThrows = false;  // the toolkit fails to show it

  void SetFileNameLabel(const std::string& text) override { events.push_back("Label:" + text); }
  void SetVersionLabel(const std::string& text) override { events.push_back("Version:" + text); }
  // Steps run at once, one after another, as in the console; a step that
  // throws stops them, and RunSteps() goes on with those left.
  void ScheduleStep(std::function<void()> step) override {
    steps.push_back(std::move(step));
    if (!running) RunSteps();
  }
  void RunSteps() {
    running = true;
    const struct TDone {
      bool& running;
      ~TDone() { running = false; }
    } done{running};
    while (!steps.empty()) {
      const std::function<void()> step = std::move(steps.front());
      steps.pop_front();
      if (beforeStep) {
        const std::function<void()> hook = beforeStep;  // it may replace itself
        hook();
      }
      step();
    }
  }
  void ClearLog() override {
    log.clear();
    events.push_back("ClearLog");
  }
  void AppendLogLines(const std::vector<std::string>& lines) override {
    log.insert(log.end(), lines.begin(), lines.end());
  }
  void SetProgressCaption(const std::string& prefix) override {
    events.push_back("Caption:" + prefix);
  }
  void ShowBatchSummary(const std::string& line) override { events.push_back("Summary:" + line); }
  void SetBusyCursor(bool busy) override {
    events.push_back(busy ? "Cursor:busy" : "Cursor:normal");
  }
  bool IsChecked(size_t row) const override { return checked[row]; }
  void SetChecked(size_t row, bool on) override { checked[row] = on; }
  int SoundValue() const override { return soundValue; }
  void SetSoundValue(int value) override { soundValue = value; }
  bool SoundVisible() const override { return soundVisible; }
  void SetSoundVisible(bool visible) override { soundVisible = visible; }
  void SetSoundLabelVisible(bool visible) override { soundLabelVisible = visible; }
  void ShowWarning(const std::string& text) override { events.push_back("Warning:" + text); }
  void ShowAbortError(const std::string& text) override { events.push_back("AbortError:" + text); }
  void ShowErrorReport(const std::string& caption, const std::string& text) override {
    events.push_back("ErrorReport:" + caption + ":" + text);
  }
  bool RunPictureDialog(std::vector<std::string>& files) override {
    events.push_back("Dialog");
    if (dialogThrows) throw std::runtime_error("no dialog");
    if (dialogCancels || dialogAnswers.empty()) return false;
    files = dialogAnswers.front();
    dialogAnswers.erase(dialogAnswers.begin());
    return true;
  }
  void BringToFront() override { events.push_back("Front"); }
  void Close() override {
    events.push_back("Close");
    if (onClose) onClose();
    closed = true;
  }

  std::deque<std::function<void()>> steps;
  bool running = false;

  // The events of one kind, e.g. Only("Warning:").
  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : events)
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
  }
};

}  // namespace velmora::test
