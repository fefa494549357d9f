// Byte order of 16-bit fields and the text of trace lines.
#include <algorithm>
#include <string>

#include "EngineTexts.h"
#include "ExifData.h"

namespace ExifData {

uint16_t MM2(uint16_t D2) { return static_cast<uint16_t>((D2 & 0xFF) * 256 + (D2 >> 8)); }

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

}  // namespace

std::string HexText(uint64_t value, int width) {
  char digits[16];
  int count = 0;
  do {
    digits[15 - count++] = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  std::string text;
  if (count < width) text.assign(static_cast<size_t>(width - count), '0');
  text.append(digits + 16 - count, static_cast<size_t>(count));
  return text;
}

std::string TraceLine(uint32_t offset, uint16_t marker, std::string_view label) {
  // One allocation a line: a batch of small files makes several per file.
  size_t offsetDigits = 6;  // at least; as many as the offset needs
  while (offsetDigits < 8 && (offset >> (4 * offsetDigits)) != 0) ++offsetDigits;
  std::string line(texts::kAddress.size() + offsetDigits + texts::kMark.size() + 4 + label.size(),
                   '\0');
  char* out = line.data();
  out = std::copy(texts::kAddress.begin(), texts::kAddress.end(), out);
  for (size_t i = offsetDigits; i-- > 0;) *out++ = kDigits[(offset >> (4 * i)) & 0xF];
  out = std::copy(texts::kMark.begin(), texts::kMark.end(), out);
  for (int i = 4; i-- > 0;) *out++ = kDigits[(marker >> (4 * i)) & 0xF];
  std::copy(label.begin(), label.end(), out);
  return line;
}

}  // namespace ExifData
