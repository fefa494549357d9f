#include "platform/IniText.h"

#include <vector>

namespace platform {
namespace {

struct TLine {
  size_t begin;     // first byte
  size_t end;       // end of the content, before "\n" or "\r\n"
  size_t next;      // first byte of the next line
  bool terminated;  // ends in "\n"
};

enum class TKind { Blank, Header, Entry, Other };  // Other: text without a key, e.g. "=x"

struct TParsed {
  TKind kind = TKind::Blank;
  std::string_view name;   // section name or key
  std::string_view value;  // entry value
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

std::vector<TLine> splitLines(std::string_view text) {
  std::vector<TLine> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    const size_t newline = text.find('\n', begin);
    if (newline == std::string_view::npos) {
      lines.push_back({begin, text.size(), text.size(), false});
      break;
    }
    const size_t end = newline > begin && text[newline - 1] == '\r' ? newline - 1 : newline;
    lines.push_back({begin, end, newline + 1, true});
    begin = newline + 1;
  }
  return lines;
}

TParsed parse(std::string_view text, const TLine& line) {
  const std::string_view content = trim(text.substr(line.begin, line.end - line.begin));
  if (content.empty()) return {};
  if (content.front() == '[') {
    const size_t close = content.find(']');
    return {TKind::Header,
            trim(content.substr(1, close == std::string_view::npos ? close : close - 1)),
            {}};
  }
  const size_t equals = content.find('=');
  const std::string_view key = trim(content.substr(0, equals));
  if (key.empty()) return {TKind::Other, {}, {}};
  const std::string_view value =
      equals == std::string_view::npos ? std::string_view() : trim(content.substr(equals + 1));
  return {TKind::Entry, key, value};
}

// Index of the first header line of `section`, or lines.size().
size_t findSection(std::string_view text, const std::vector<TLine>& lines,
                   std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const TParsed parsed = parse(text, lines[i]);
    if (parsed.kind == TKind::Header && sameName(parsed.name, section)) return i;
  }
  return lines.size();
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
  const std::vector<TLine> lines = splitLines(text);
  for (size_t i = findSection(text, lines, section) + 1; i < lines.size(); ++i) {
    const TParsed parsed = parse(text, lines[i]);
    if (parsed.kind == TKind::Header) break;
    if (parsed.kind == TKind::Entry && sameName(parsed.name, key)) return std::string(parsed.value);
  }
  return std::nullopt;
}

bool EraseIniSection(std::string& text, std::string_view section) {
  std::string kept;
  bool erasing = false;
  bool erased = false;
  for (const TLine& line : splitLines(text)) {
    const TParsed parsed = parse(text, line);
    if (parsed.kind == TKind::Header) erasing = sameName(parsed.name, section);
    if (erasing) {
      erased = true;
      continue;
    }
    kept.append(text, line.begin, line.next - line.begin);
  }
  if (erased) text = std::move(kept);
  return erased;
}

void SetIniValue(std::string& text, std::string_view section, std::string_view key,
                 std::string_view value, std::string_view newline) {
  const std::vector<TLine> lines = splitLines(text);
  const size_t header = findSection(text, lines, section);
  if (header == lines.size()) {
    if (!text.empty() && text.back() != '\n') text += newline;
    text.append("[").append(section).append("]").append(newline);
    text.append(key).append("=").append(value).append(newline);
    return;
  }
  size_t lastFilled = header;
  for (size_t i = header + 1; i < lines.size(); ++i) {
    const TParsed parsed = parse(text, lines[i]);
    if (parsed.kind == TKind::Header) break;
    if (parsed.kind == TKind::Blank) continue;
    if (parsed.kind == TKind::Entry && sameName(parsed.name, key)) {
      const std::string entry = std::string(parsed.name) + "=" + std::string(value);
      text.replace(lines[i].begin, lines[i].end - lines[i].begin, entry);
      return;
    }
    lastFilled = i;
  }
  const TLine& after = lines[lastFilled];
  std::string entry = after.terminated ? "" : std::string(newline);
  entry.append(key).append("=").append(value).append(newline);
  text.insert(after.next, entry);
}

}  // namespace platform
