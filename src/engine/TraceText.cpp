// Byte order of 16-bit fields and the text of trace lines.
#include <algorithm>
#include <string>

#include "EngineTexts.h"
#include "ExifData.h"

namespace ExifData {

uint16_t MM2(uint16_t D2) { return static_cast<uint16_t>((D2 & 0xFF) * 256 + (D2 >> 8)); }

namespace {

// How many hex digits `value` takes: at least `width`, never cut.
size_t HexDigits(uint64_t value, size_t width) {
  size_t digits = 1;
  while (digits < 16 && (value >> (4 * digits)) != 0) ++digits;
  return std::max(digits, width);
}

// Writes the last `digits` hex digits of `value` at `out`, upper case.
char* PutHex(char* out, uint64_t value, size_t digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (size_t i = digits; i-- > 0;) *out++ = i < 16 ? kDigits[(value >> (4 * i)) & 0xF] : '0';
  return out;
}

}  // namespace

std::string HexText(uint64_t value, int width) {
  const size_t digits = HexDigits(value, width > 0 ? static_cast<size_t>(width) : 0);
  std::string text(digits, '0');
  PutHex(text.data(), value, digits);
  return text;
}

std::string TraceLine(uint32_t offset, uint16_t marker, std::string_view label) {
  // One allocation a line: a batch of small files makes several per file.
  const size_t offsetDigits = HexDigits(offset, 6);
  std::string line(texts::kAddress.size() + offsetDigits + texts::kMark.size() + 4 + label.size(),
                   '\0');
  char* out = std::copy(texts::kAddress.begin(), texts::kAddress.end(), line.data());
  out = PutHex(out, offset, offsetDigits);
  out = std::copy(texts::kMark.begin(), texts::kMark.end(), out);
  out = PutHex(out, marker, 4);
  std::copy(label.begin(), label.end(), out);
  return line;
}

}  // namespace ExifData
