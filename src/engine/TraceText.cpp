// Byte order of 16-bit fields and the text of trace lines.
#include <string>

#include "EngineTexts.h"
#include "ExifData.h"

namespace ExifData {

uint16_t MM2(uint16_t D2) { return static_cast<uint16_t>((D2 & 0xFF) * 256 + (D2 >> 8)); }

std::string HexText(uint64_t value, int width) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return digits;
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
