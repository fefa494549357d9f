#include "app/ConsoleView.h"

#include <ostream>
#include <string_view>

#include "app/TFormMain.h"

namespace app {

namespace {

// The length of the well-formed UTF-8 sequence at `text[at]`, or 0.
size_t sequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

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
    const size_t length = sequenceLength(text, at);
    if (length == 0) {
      out += hexEscape("\\x", byte, 2);  // not UTF-8: a byte a terminal might obey
      ++at;
    } else if (byte == '\n') {
      out += "\\n";
      ++at;
    } else if (byte == '\r') {
      out += "\\r";
      ++at;
    } else if (byte == '\t') {
      out += "\\t";
      ++at;
    } else if (byte < 0x20 || byte == 0x7F) {
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
