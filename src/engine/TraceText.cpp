// Byte order of 16-bit fields and the text of trace lines.
#include <string>

#include "EngineTexts.h"
#include "ExifData.h"

namespace ExifData {

uint16_t MM2(uint16_t D2) { return static_cast<uint16_t>((D2 & 0xFF) * 256 + (D2 >> 8)); }

std::string HexText(uint64_t value, int width) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
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
  std::string line(texts::kAddress);
  line += HexText(offset, 6);
  line += texts::kMark;
  line += HexText(marker, 4);
  line += label;
  return line;
}

}  // namespace ExifData
