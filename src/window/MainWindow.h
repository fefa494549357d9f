// FormMain on screen: the wx frame that implements the window's view. It shows
// what TFormMain asks and hands every event to TFormMain's handlers; all
// decisions (batches, queueing, settings, chimes) are TFormMain's.
#pragma once

#include <wx/checkbox.h>
#include <wx/frame.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainView.h"
#include "app/Options.h"
#include "app/TFormMain.h"
#include "window/ControlTable.h"
#include "window/FileWorker.h"
#include "window/Fonts.h"
#include "window/StepQueue.h"

class wxPanel;

namespace window {

class TMainWindow : public wxFrame, public app::TMainView {
 public:
  // Builds the window with its controls, hidden, with no logic attached.
  TMainWindow();
  ~TMainWindow() override;

  // Events reach `form` from now on; nullptr detaches, after the file work
  // in hand (which uses the form's environment) has ended.
  void Attach(app::TFormMain* form);

  // True once a close has been accepted (the settings were written).
  bool IsClosed() const { return closed_; }

  // The general error report for the exception being handled (call inside a
  // catch block).
  void ReportCurrentError();

  // app::TMainView
  void SetFileNameLabel(const std::string& text) override;
  void SetVersionLabel(const std::string& text) override;
  void ScheduleStep(std::function<void()> step) override;
  void RunAside(const std::function<void()>& work, std::function<void()> done) override;
  void SetProgressCaption(const std::string& prefix) override;
  void ShowBatchSummary(const std::string& line) override;
  void ClearLog() override;
  void AppendLogLines(const std::vector<std::string>& lines) override;
  void SetBusyCursor(bool busy) override;
  bool IsChecked(size_t row) const override;
  void SetChecked(size_t row, bool checked) override;
  int SoundValue() const override;
  void SetSoundValue(int value) override;
  bool SoundVisible() const override;
  void SetSoundVisible(bool visible) override;
  void SetSoundLabelVisible(bool visible) override;
  void ShowWarning(const std::string& text) override;
  void ShowAbortError(const std::string& text) override;
  void ShowErrorReport(const std::string& caption, const std::string& text) override;
  bool RunPictureDialog(std::vector<std::string>& files) override;
  void BringToFront() override;
  // Asks the frame to close (this hides wxFrame::Close(bool) on purpose).
  void Close() override;

 private:
  void createControls();
  void nameForScreenReaders();
  void keepControlsVisible();
  // The designed place of the control `row`, and the designed client size,
  // grown with the desktop's text.
  TRectPx designRect(size_t row) const;
  wxSize designClient() const;
  void runReported(const std::function<void()>& step);
  void makeRoomForText(size_t control);
  void setTabOrder();
  void followAnchors();
  void dropFiles(const wxArrayString& paths);
  void soundTextChanged();

  void onCharHook(wxKeyEvent& event);
  void onClose(wxCloseEvent& event);

  app::TFormMain* form_ = nullptr;
  double scale_ = TextScale();
  wxPanel* panel_ = nullptr;
  std::array<wxWindow*, kControls.size()> controls_{};
  // What a check box's text needs beyond its designed width (0: it fits), and
  // what the window is made wider by so that the texts clear the picture.
  std::array<int, kControls.size()> extraWidth_{};
  int extraClientWidth_ = 0;
  wxStaticText* labelFileName_ = nullptr;
  wxStaticText* labelVersion_ = nullptr;
  wxStaticText* labelSound_ = nullptr;
  wxTextCtrl* memo_ = nullptr;
  wxSpinCtrl* spinSound_ = nullptr;
  std::array<wxCheckBox*, app::kSettingsRows.size()> checkBoxes_{};  // by option row
  wxString soundText_;  // the selector's text last reported as a change
  bool busy_ = false;
  bool closed_ = false;
  // The worker goes first when the window goes: it posts to the steps.
  TStepQueue steps_;
  TFileWorker worker_;
};

}  // namespace window
