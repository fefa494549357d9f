// A sine table built with integer arithmetic only, so that every compiler and
// machine produces the same chime bytes (libm's sin may differ in the last bit).
#pragma once

#include <array>
#include <cstdint>

namespace chimes {

inline constexpr int kSineBits = 12;  // 4096 entries per cycle
inline constexpr std::int32_t kSineOne = 1 << 20;

namespace detail {

// sin(x) for x in [0, pi/2], x and the result in Q30, by the Taylor series to
// x^13 in Horner form; the first omitted term is below 2e-9.
constexpr std::int64_t QuarterSineQ30(std::int64_t x) {
  constexpr std::int64_t kOne = std::int64_t{1} << 30;
  const std::int64_t x2 = (x * x) >> 30;
  std::int64_t t = kOne;
  for (std::int64_t d : {12 * 13, 10 * 11, 8 * 9, 6 * 7, 4 * 5, 2 * 3}) {
    t = kOne - ((x2 * t) >> 30) / d;
  }
  return (x * t) >> 30;
}

constexpr std::array<std::int32_t, 1 << kSineBits> MakeSineTable() {
  constexpr int kSize = 1 << kSineBits;
  constexpr int kQuarter = kSize / 4;
  constexpr std::int64_t kHalfPiQ30 = 1686629713;
  std::array<std::int32_t, kSize> table{};
  for (int i = 0; i <= kQuarter; ++i) {
    const std::int64_t s = QuarterSineQ30(kHalfPiQ30 * i / kQuarter);
    const auto v = static_cast<std::int32_t>((s * kSineOne + (std::int64_t{1} << 29)) >> 30);
    table[i] = v;
    table[kSize / 2 - i] = v;
    if (i > 0) table[kSize - i] = -v;
    table[kSize / 2 + i] = -v;
  }
  return table;
}

}  // namespace detail

inline constexpr std::array<std::int32_t, 1 << kSineBits> kSineTable = detail::MakeSineTable();

// Sine of a 32-bit phase (a full cycle is 2^32), amplitude kSineOne, linearly
// interpolated between table entries.
constexpr std::int32_t SineAt(std::uint32_t phase) {
  const std::uint32_t index = phase >> (32 - kSineBits);
  const std::int64_t frac = (phase >> (16 - kSineBits)) & 0xFFFF;
  const std::int64_t s0 = kSineTable[index];
  const std::int64_t s1 = kSineTable[(index + 1) & ((1u << kSineBits) - 1)];
  return static_cast<std::int32_t>(s0 + (((s1 - s0) * frac) >> 16));
}

}  // namespace chimes
