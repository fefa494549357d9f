#include "app/ConsoleView.h"

#include <ostream>
#include <string_view>

#include "app/TFormMain.h"
#include "app/Texts.h"
#include "app/Utf8.h"

namespace app {

namespace {

std::string hexEscape(const char* prefix, unsigned value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = prefix;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
  return out;
}

}  // namespace

std::string EscapeForConsole(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const size_t length = Utf8SequenceLength(text, at);
    if (byte == '\n') {
      out += "\\n";
      ++at;
    } else if (byte == '\r') {
      out += "\\r";
      ++at;
    } else if (byte == '\t') {
      out += "\\t";
      ++at;
    } else if (length == 0 || byte < 0x20 || byte == 0x7F) {
      // Not UTF-8, or a control: a byte a terminal might obey.
      out += hexEscape("\\x", byte, 2);
      ++at;
    } else if (byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
      // U+0080..U+009F: the eight-bit controls, CSI among them.
      out += hexEscape("\\u", static_cast<unsigned char>(text[at + 1]), 4);
      at += 2;
    } else {
      out.append(text, at, length);
      at += length;
    }
  }
  return out;
}

TConsoleView::TConsoleView(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

void TConsoleView::AppendLogLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) out_ << EscapeForConsole(line) << '\n';
  out_.flush();
}

void TConsoleView::RunSteps() {
  while (!steps_.empty()) {
    const std::function<void()> step = std::move(steps_.front());
    steps_.pop_front();
    step();
  }
}

void TConsoleView::ShowWarning(const std::string& text) {
  box(std::string(texts::kWarningCaption), text);
}

void TConsoleView::ShowAbortError(const std::string& text) {
  box(std::string(texts::kErrorCaption), text);
}

void TConsoleView::ShowErrorReport(const std::string& caption, const std::string& text) {
  box(caption, text);
}

void TConsoleView::box(const std::string& caption, const std::string& text) {
  // A box's CR LF becomes a line break; its other characters are shown as on
  // a log line.
  std::string shown;
  for (size_t start = 0;;) {
    const size_t end = text.find("\r\n", start);
    shown += EscapeForConsole(std::string_view(text).substr(start, end - start));
    if (end == std::string::npos) break;
    shown += '\n';
    start = end + 2;
  }
  out_.flush();
  err_ << caption << ": " << shown << '\n';
  err_.flush();
}

void TConsoleView::Close() {
  // As with the window, a close whose settings cannot be written throws and
  // leaves the view open.
  closeAttempted_ = true;
  if (form_ != nullptr) form_->FormClose();
  closed_ = true;
}

}  // namespace app
