#include "window/MainWindow.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dnd.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include <algorithm>
#include <charconv>

#include "app/Options.h"
#include "platform/Sound.h"
#include "platform/Translation.h"
#include "window/AccessibleName.h"
#include "window/ArtImages.h"
#include "window/Boxes.h"
#include "window/Fonts.h"
#include "window/GtkStyle.h"
#include "window/PictureBox.h"
#include "window/ScrollBars.h"
#include "window/TextConversion.h"
#include "window/TextDrops.h"
#include "window/WindowTexts.h"

namespace window {
namespace {

// Our texts end lines with CR LF; the toolkit wants LF alone.
wxString displayText(std::string_view utf8) {
  wxString text = ToWx(utf8);
  text.Replace("\r\n", "\n");
  return text;
}

constexpr size_t checkBoxControls() {
  size_t count = 0;
  for (const TControlRow& row : kControls) count += row.kind == TKind::CheckBox ? 1 : 0;
  return count;
}
static_assert(checkBoxControls() == app::CheckBoxCount(),
              "every check-box option has its check box in the control table");

constexpr int kGap = 4;  // between a label and the control to its right

// Labels that end where another control begins: a longer text is shortened
// there, and the tooltip shows it whole.
struct TShortened {
  std::string_view label;
  std::string_view before;
  long ellipsize;
};
constexpr std::array<TShortened, 2> kShortened{{
    {"LabelFileName", "Image1", wxST_ELLIPSIZE_MIDDLE},
    {"LabelVersion", "ButtonClose", wxST_ELLIPSIZE_END},
}};

const TShortened* shortened(std::string_view name) {
  for (const TShortened& row : kShortened)
    if (row.label == name) return &row;
  return nullptr;
}

size_t rowOf(std::string_view name) {
  size_t row = 0;
  while (kControls[row].name != name) ++row;
  return row;
}

void setShortenedText(wxStaticText* label, const wxString& text) {
  if (label->GetLabelText() == text) return;
  label->SetLabelText(text);
  if (text.empty())
    label->UnsetToolTip();
  else
    label->SetToolTip(text);
}

// The chime caption ends where the number field, which lies above it, begins.
// The designed face is narrower than the fonts that stand in for it (on GTK
// "チャイム" needs 53 pixels, the design gives 36 before the field), so a
// wider caption is drawn a little smaller instead of moving or being cut.
void fitBefore(wxStaticText* label, int right) {
  constexpr int kGap = 2;
  constexpr double kSmallest = 6;
  const int room = right - kGap - label->GetPosition().x;
  const wxString text = label->GetLabelText();
  wxFont font = label->GetFont();
  while (label->GetTextExtent(text).GetWidth() > room &&
         font.GetFractionalPointSize() > kSmallest) {
    font.SetFractionalPointSize(font.GetFractionalPointSize() - 0.5);
    label->SetFont(font);
  }
  label->SetSize(std::min(label->GetBestSize().GetWidth(), room), label->GetBestSize().GetHeight());
}

}  // namespace

TMainWindow::TMainWindow() : wxFrame(nullptr, wxID_ANY, ToWx(texts::kCaption)) {
  SetIcons(WindowIcons());
  ApplyCompactStyle(this);
  panel_ = new wxPanel(this, wxID_ANY, wxDefaultPosition, designClient());
  panel_->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
  createControls();
  setTabOrder();
  nameForScreenReaders();
  // Wider than designed when a longer text (English, say) needs the room.
  SetClientSize(designClient() + wxSize(extraClientWidth_, 0));
  keepControlsVisible();

  panel_->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    followAnchors();
    event.Skip();
  });
  Bind(wxEVT_CHAR_HOOK, &TMainWindow::onCharHook, this);
  Bind(wxEVT_CLOSE_WINDOW, &TMainWindow::onClose, this);

  // Drops anywhere on the window, the log pane included, come in as one event.
  DragAcceptFiles(true);
  LeaveDropsToWindow(memo_, this);
  // The batch runs after the drop has been answered, from the event loop: run
  // inside the toolkit's drop callback, its message pump and boxes kept the
  // dragging program waiting and left the log pane refusing later drops.
  Bind(wxEVT_DROP_FILES, [this](wxDropFilesEvent& event) {
    wxArrayString paths;
    for (int i = 0; i < event.GetNumberOfFiles(); ++i) paths.Add(event.GetFiles()[i]);
    CallAfter([this, paths] {
      // Reported here as any handler's error is: this runs from the loop's
      // idle processing, where the toolkit does not catch.
      try {
        dropFiles(paths);
      } catch (...) {
        ReportCurrentError();
      }
    });
  });
}

TMainWindow::~TMainWindow() {
  if (busy_) wxEndBusyCursor();
}

void TMainWindow::Attach(app::TFormMain* form) {
  if (form == nullptr) worker_.WaitIdle();
  form_ = form;
}

void TMainWindow::createControls() {
  for (size_t i = 0; i < kControls.size(); ++i) {
    const TControlRow& row = kControls[i];
    const TRectPx rect = designRect(i);
    const wxPoint position(rect.left, rect.top);
    const wxSize size(rect.width, rect.height);
    const wxString text = ToWx(platform::Tr(row.text));
    wxWindow* control = nullptr;
    switch (row.kind) {
      case TKind::Picture:
        control = new TPictureBox(panel_, position, size, PictureImage());
        break;
      case TKind::Label:
        if (const TShortened* cut = shortened(row.name)) {
          const int width = designRect(rowOf(cut->before)).left - kGap - position.x;
          control = new wxStaticText(panel_, wxID_ANY, text, position, wxSize(width, -1),
                                     cut->ellipsize | wxST_NO_AUTORESIZE);
        } else {
          control = new wxStaticText(panel_, wxID_ANY, text, position);  // sizes itself
        }
        break;
      case TKind::Button:
        control = new wxButton(panel_, wxID_ANY, text, position, size);
        break;
      case TKind::Memo:
        // Read-only: the log is the program's; selecting and copying still work.
        control = new wxTextCtrl(panel_, wxID_ANY, text, position, size,
                                 wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL |
                                     wxVSCROLL | wxALWAYS_SHOW_SB);
        break;
      case TKind::CheckBox:
        control = new wxCheckBox(panel_, wxID_ANY, text, position, size);
        break;
      case TKind::SpinEdit:
        control = new wxSpinCtrl(panel_, wxID_ANY, text, position, size, wxSP_ARROW_KEYS,
                                 platform::kSoundMin, platform::kSoundMax, 0);
        break;
    }
    control->SetName(ToWx(row.name));
    control->SetFont(row.kind == TKind::Memo ? MemoFont() : ControlFont());
    if (row.kind == TKind::Label && shortened(row.name) == nullptr)
      control->SetSize(control->GetBestSize());
    control->Show(row.visible);
    controls_[i] = control;
    if (row.kind == TKind::CheckBox) makeRoomForText(i);
  }

  labelFileName_ = static_cast<wxStaticText*>(controls_[ControlRow("LabelFileName")]);
  labelVersion_ = static_cast<wxStaticText*>(controls_[ControlRow("LabelVersion")]);
  labelSound_ = static_cast<wxStaticText*>(controls_[ControlRow("LabelSound")]);
  memo_ = static_cast<wxTextCtrl*>(controls_[ControlRow("Memo1")]);
  spinSound_ = static_cast<wxSpinCtrl*>(controls_[ControlRow("SpinEditSound")]);
  // The n-th check box of the control table holds the n-th check-box option.
  size_t control = 0;
  for (size_t row = 0; row < app::kSettingsRows.size(); ++row) {
    if (app::kSettingsRows[row].home != app::THome::CheckBox) continue;
    while (kControls[control].kind != TKind::CheckBox) ++control;
    checkBoxes_[row] = static_cast<wxCheckBox*>(controls_[control++]);
  }

  ShowScrollBarsAlways(memo_);
  fitBefore(labelSound_, spinSound_->GetPosition().x);
  soundText_ = spinSound_->GetTextValue();

  controls_[ControlRow("ButtonLoad")]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (form_) form_->ButtonLoadClick();
  });
  controls_[ControlRow("ButtonClose")]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (form_) form_->ButtonCloseClick();
  });
  // Arrows, typing and the clamping on leaving the field all change the text.
  spinSound_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { soundTextChanged(); });
  spinSound_->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) { soundTextChanged(); });
}

void TMainWindow::nameForScreenReaders() {
  SetAccessibleName(memo_, platform::Tr(texts::kLogName));
  SetAccessibleName(spinSound_, platform::Tr(texts::kChimeName));
}

// The window goes no smaller than keeps every control whole and apart: the
// controls tied to the right edge stay clear of those tied to the left, and
// the log keeps a few lines.
void TMainWindow::keepControlsVisible() {
  constexpr int kLogLines = 4;
  int width = 0;
  for (size_t i = 0; i < kControls.size(); ++i) {
    const TControlRow& row = kControls[i];
    if ((row.anchors & akRight) == 0 || (row.anchors & akLeft) != 0) continue;
    // Its distance to the right edge stays; left of it, what it must clear.
    const TRectPx rect = designRect(i);
    const int fromRight = designClient().x - rect.left;
    const int top = rect.top;
    const int bottom = rect.top + rect.height;
    for (size_t j = 0; j < kControls.size(); ++j) {
      const TControlRow& other = kControls[j];
      if ((other.anchors & akRight) != 0 || shortened(other.name) != nullptr) continue;
      const TRectPx place = designRect(j);
      if (place.top >= bottom || place.top + place.height <= top) continue;
      const int right = place.left + std::max(place.width, controls_[j]->GetBestSize().x);
      width = std::max(width, right + kGap + fromRight);
    }
  }
  const int lines = kLogLines * memo_->GetCharHeight();
  const int height = designClient().y - designRect(ControlRow("Memo1")).height + lines;
  SetMinClientSize(wxSize(width, height));
}

// The designed widths fit the Japanese texts. A longer text (English, say)
// widens its check box, and the window with it, so that it clears the picture
// box on its right, which follows the right edge.
void TMainWindow::makeRoomForText(size_t control) {
  const size_t i = control;
  const TRectPx rect = designRect(i);
  extraWidth_[i] = std::max(0, controls_[i]->GetBestSize().GetWidth() - rect.width);
  if (extraWidth_[i] == 0) return;
  controls_[i]->SetSize(rect.width + extraWidth_[i], rect.height);
  constexpr int kPictureGap = 8;
  const int right = rect.left + rect.width + extraWidth_[i] + kPictureGap;
  extraClientWidth_ = std::max(extraClientWidth_, right - designRect(ControlRow("Image1")).left);
}

void TMainWindow::setTabOrder() {
  std::vector<size_t> stops;
  for (size_t row = 0; row < kControls.size(); ++row)
    if (kControls[row].tabOrder != kNoTabStop) stops.push_back(row);
  std::sort(stops.begin(), stops.end(),
            [](size_t a, size_t b) { return kControls[a].tabOrder < kControls[b].tabOrder; });
  for (size_t i = 1; i < stops.size(); ++i)
    controls_[stops[i]]->MoveAfterInTabOrder(controls_[stops[i - 1]]);
}

void TMainWindow::followAnchors() {
  const wxSize client = panel_->GetClientSize();
  for (size_t i = 0; i < kControls.size(); ++i) {
    const TControlRow& row = kControls[i];
    const TRectPx rect = FollowAnchors(designRect(i), row.anchors, client.GetWidth(),
                                       client.GetHeight(), designClient().x, designClient().y);
    if (row.kind == TKind::Label)
      controls_[i]->Move(rect.left, rect.top);  // its size follows its text
    else
      controls_[i]->SetSize(rect.left, rect.top, rect.width + extraWidth_[i], rect.height);
  }
  // Shortened labels end where their neighbour now begins.
  for (const TShortened& cut : kShortened) {
    wxWindow* label = controls_[rowOf(cut.label)];
    const int right = controls_[rowOf(cut.before)]->GetPosition().x - kGap;
    label->SetSize(std::max(0, right - label->GetPosition().x), label->GetSize().y);
  }
}

void TMainWindow::dropFiles(const wxArrayString& paths) {
  if (!form_) return;
  std::vector<std::string> files;
  files.reserve(paths.size());
  for (const wxString& path : paths) files.push_back(PathFromWx(path));
  form_->WMDropFiles(files);
}

void TMainWindow::soundTextChanged() {
  const wxString text = spinSound_->GetTextValue();
  if (text == soundText_) return;  // one change can arrive as several notifications
  soundText_ = text;
  if (form_) form_->SpinEditSoundChange();
}

void TMainWindow::onCharHook(wxKeyEvent& event) {
  // Esc stops the files in hand, or else is the Close button's; not in the
  // log pane, which keeps it.
  if (event.GetKeyCode() == WXK_ESCAPE && FindFocus() != memo_ && form_) {
    form_->FormEscape();
    return;
  }
  event.Skip();
}

void TMainWindow::onClose(wxCloseEvent& event) {
  if (closed_) return;  // accepted before; the frame is on its way out
  if (form_ != nullptr && event.CanVeto() && !form_->FormCloseQuery()) {
    // A batch runs: it closes the window again when it has ended. The window
    // goes from the screen now.
    event.Veto();
    Hide();
    return;
  }
  if (form_ != nullptr) {
    try {
      form_->FormClose();
    } catch (...) {
      // The settings were not written: the window stays open.
      if (event.CanVeto()) {
        event.Veto();
        Show();
        ReportCurrentError();
        return;
      }
      ReportCurrentError();
    }
  }
  closed_ = true;
  Destroy();
}

void TMainWindow::ReportCurrentError() {
  if (form_ != nullptr)
    form_->ReportError(CurrentExceptionMessage());
  else
    ReportCurrentErrorWithoutForm(this);
}

TRectPx TMainWindow::designRect(size_t row) const { return Scaled(kControls[row].rect, scale_); }

wxSize TMainWindow::designClient() const {
  const TRectPx client = Scaled({0, 0, kDesignClientWidth, kDesignClientHeight}, scale_);
  return {client.width, client.height};
}

void TMainWindow::runReported(const std::function<void()>& step) {
  // Errors end here in the report: no toolkit handler is around a step.
  if (form_ == nullptr) return;  // detached: the form has gone
  try {
    step();
  } catch (...) {
    ReportCurrentError();
  }
}

void TMainWindow::ScheduleStep(std::function<void()> step) {
  steps_.Post([this, step = std::move(step)] { runReported(step); });
}

void TMainWindow::RunAside(const std::function<void()>& work, std::function<void()> done) {
  worker_.Run([this, work, done = std::move(done)] {
    work();
    steps_.Post([this, done] { runReported(done); });
  });
}

void TMainWindow::SetProgressCaption(const std::string& prefix) {
  SetTitle(ToWx(prefix) + ToWx(texts::kCaption));
}

void TMainWindow::ShowBatchSummary(const std::string& line) { AppendLogLines({line}); }

void TMainWindow::SetFileNameLabel(const std::string& text) {
  setShortenedText(labelFileName_, ToWx(text));
}

void TMainWindow::SetVersionLabel(const std::string& text) {
  setShortenedText(labelVersion_, ToWx(text));
}

void TMainWindow::ClearLog() { memo_->Clear(); }

void TMainWindow::AppendLogLines(const std::vector<std::string>& lines) {
  wxString text;
  for (const std::string& line : lines) text << displayText(line) << '\n';
  memo_->Freeze();
  memo_->AppendText(text);
  memo_->Thaw();
  // Every route leaves the pane at its last line, wherever the user or a drop
  // had put the caret.
  memo_->SetInsertionPointEnd();
  memo_->ShowPosition(memo_->GetLastPosition());
}

void TMainWindow::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy)
    wxBeginBusyCursor();
  else
    wxEndBusyCursor();
}

bool TMainWindow::IsChecked(size_t row) const { return checkBoxes_[row]->GetValue(); }

void TMainWindow::SetChecked(size_t row, bool checked) { checkBoxes_[row]->SetValue(checked); }

int TMainWindow::SoundValue() const {
  wxString text = spinSound_->GetTextValue();
  text.Trim(true).Trim(false);
  const std::string digits = ToUtf8(text);
  int value = 0;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value);
  return error == std::errc() && stop == end ? value : 0;
}

void TMainWindow::SetSoundValue(int value) {
  spinSound_->SetValue(value);  // sends no notification
  soundText_ = spinSound_->GetTextValue();
}

bool TMainWindow::SoundVisible() const { return spinSound_->IsShown(); }

void TMainWindow::SetSoundVisible(bool visible) { spinSound_->Show(visible); }

void TMainWindow::SetSoundLabelVisible(bool visible) { labelSound_->Show(visible); }

void TMainWindow::ShowWarning(const std::string& text) { ShowWarningBox(this, displayText(text)); }

void TMainWindow::ShowAbortError(const std::string& text) {
  ShowAbortErrorBox(this, displayText(text));
}

void TMainWindow::ShowErrorReport(const std::string& caption, const std::string& text) {
  ShowErrorReportBox(this, displayText(caption), displayText(text));
}

bool TMainWindow::RunPictureDialog(std::vector<std::string>& files) {
  const auto dialog = MakePictureDialog(this);
  if (dialog->ShowModal() != wxID_OK) return false;
  wxArrayString paths;
  dialog->GetPaths(paths);
  files.clear();
  for (const wxString& path : paths) files.push_back(PathFromWx(path));
  return true;
}

void TMainWindow::BringToFront() {
  if (IsIconized()) Iconize(false);
  Show();
  Raise();
}

void TMainWindow::Close() { wxFrame::Close(); }

}  // namespace window
