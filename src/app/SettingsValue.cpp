#include "app/SettingsValue.h"

namespace app {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> ParseSettingsInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  std::string_view rest = text.substr(i);
  bool hex = false;
  if (rest.starts_with("0x") || rest.starts_with("0X")) {
    hex = true;
    rest.remove_prefix(2);
  } else if (rest.starts_with('$') || rest.starts_with('x') || rest.starts_with('X')) {
    hex = true;
    rest.remove_prefix(1);
  }
  if (rest.empty()) return std::nullopt;

  if (hex) {
    // Up to eight digits, taken as a 32-bit two's-complement pattern.
    if (rest.size() > 8) return std::nullopt;
    uint32_t pattern = 0;
    for (char c : rest) {
      const int d = hexDigit(c);
      if (d < 0) return std::nullopt;
      pattern = pattern << 4 | static_cast<uint32_t>(d);
    }
    if (negative) pattern = ~pattern + 1;
    return static_cast<int32_t>(pattern);
  }

  int64_t magnitude = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace app
