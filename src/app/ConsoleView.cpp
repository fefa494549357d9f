#include "app/ConsoleView.h"

#include <ostream>

#include "app/TFormMain.h"

namespace app {

TConsoleView::TConsoleView(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

void TConsoleView::AppendLogLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) out_ << line << '\n';
  out_.flush();
}

bool TConsoleView::IsChecked(TCheckBox box) const { return checked_[static_cast<size_t>(box)]; }

void TConsoleView::SetChecked(TCheckBox box, bool checked) {
  checked_[static_cast<size_t>(box)] = checked;
}

void TConsoleView::ShowWarning(const std::string& text) { box("警告", text); }

void TConsoleView::ShowAbortError(const std::string& text) { box("エラー", text); }

void TConsoleView::ShowErrorReport(const std::string& caption, const std::string& text) {
  box(caption, text);
}

void TConsoleView::box(const std::string& caption, const std::string& text) {
  // A box's CR LF becomes a line break; its other characters stay as they are.
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    shown += text[i];
  }
  out_.flush();
  err_ << caption << ": " << shown << '\n';
  err_.flush();
}

void TConsoleView::Close() {
  // As with the window, a close whose settings cannot be written throws and
  // leaves the view open.
  if (form_ != nullptr) form_->FormClose();
  closed_ = true;
}

}  // namespace app
