#include "app/ConsoleView.h"

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string_view>

#include "app/TFormMain.h"
#include "app/Texts.h"
#include "app/Utf8.h"
#include "platform/Translation.h"

namespace app {

namespace {

void appendHex(std::string& out, const char* prefix, unsigned value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += prefix;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

// Printable ASCII, which most of a log is, goes out as it stands.
bool plainAscii(unsigned char byte) { return byte >= 0x20 && byte < 0x7F; }

// Where the run of plain ASCII from `at` ends. Eight bytes are tested at a
// time: a byte below 0x20 or above 0x7E sets the top bit of its lane.
size_t plainRunEnd(std::string_view text, size_t at) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kTops = 0x8080808080808080;
  for (uint64_t word = 0; at + sizeof word <= text.size(); at += sizeof word) {
    std::memcpy(&word, text.data() + at, sizeof word);
    const uint64_t below = (word - kOnes * 0x20) & ~word;
    const uint64_t above = (word + kOnes * (0x7F - 0x7E)) | word;
    if (((below | above) & kTops) != 0) break;
  }
  while (at < text.size() && plainAscii(static_cast<unsigned char>(text[at]))) ++at;
  return at;
}

// Appends `text` to `out` with what a terminal might obey escaped.
void appendEscaped(std::string& out, std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const size_t plainEnd = plainRunEnd(text, at);
    out.append(text, at, plainEnd - at);
    at = plainEnd;
    if (at == text.size()) break;
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
      appendHex(out, "\\x", byte, 2);
      ++at;
    } else if (byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
      // U+0080..U+009F: the eight-bit controls, CSI among them.
      appendHex(out, "\\u", static_cast<unsigned char>(text[at + 1]), 4);
      at += 2;
    } else {
      out.append(text, at, length);
      at += length;
    }
  }
}

}  // namespace

std::string EscapeForConsole(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendEscaped(out, text);
  return out;
}

TConsoleView::TConsoleView(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

void TConsoleView::AppendLogLines(const std::vector<std::string>& lines) {
  // One write a call: a file's lines reach a pipe together, and cheaply.
  size_t plain = 0;
  for (const std::string& line : lines) plain += line.size() + 1;
  std::string text;
  text.reserve(plain);
  for (const std::string& line : lines) {
    appendEscaped(text, line);
    text += '\n';
  }
  out_.write(text.data(), static_cast<std::streamsize>(text.size()));
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
  box(std::string(platform::Tr(texts::kWarningCaption)), text);
}

void TConsoleView::ShowAbortError(const std::string& text) {
  box(std::string(platform::Tr(texts::kErrorCaption)), text);
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
  if (form_ != nullptr && !keepSettings_) form_->FormClose();
  closed_ = true;
}

}  // namespace app
