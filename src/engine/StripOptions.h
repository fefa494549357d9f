// The options of one run (FLAG): a typed set of 32 bits. Each option keeps
// the bit value it always had, so a number once stored or shown (the settings,
// the fuzz seeds' first byte, a bench's argument) means what it meant; the
// free bits above 128 leave room for new options.
//
// An enum class rather than an integer: a stray int or a bool cannot become
// an option set by accident. A number becomes one only by an explicit
// TStripOptions{n}, and one is read back only through Bits().
#pragma once

#include <cstdint>

namespace ExifData {

enum class TStripOptions : uint32_t {
  flNone = 0,
  flWriteJFIF = 1,
  flDeleteAfterEOI = 2,
  flSaveOriginal = 4,
  flWriteComment = 8,
  flOriginalJFIF = 16,
  flWriteAPP14 = 32,
  // Settings-only options, never a check box: keep the picture's orientation
  // as a minimal Exif segment; keep the ICC profile's APP2 segments.
  flKeepOrientation = 64,
  flKeepICC = 128,
};

// The option names stand in the engine's namespace as they always did:
// ExifData::flWriteJFIF.
using enum TStripOptions;

constexpr uint32_t Bits(TStripOptions set) { return static_cast<uint32_t>(set); }

constexpr TStripOptions operator|(TStripOptions a, TStripOptions b) {
  return TStripOptions{Bits(a) | Bits(b)};
}
constexpr TStripOptions operator&(TStripOptions a, TStripOptions b) {
  return TStripOptions{Bits(a) & Bits(b)};
}
constexpr TStripOptions operator~(TStripOptions a) { return TStripOptions{~Bits(a)}; }
constexpr TStripOptions& operator|=(TStripOptions& a, TStripOptions b) { return a = a | b; }
constexpr TStripOptions& operator&=(TStripOptions& a, TStripOptions b) { return a = a & b; }

// Whether every option of `options` is in `set`; for one option, whether its
// bit is set, whatever the others are.
constexpr bool Has(TStripOptions set, TStripOptions options) { return (set & options) == options; }

// Every option there is; bits outside it are ignored by the engine.
inline constexpr TStripOptions kAllStripOptions = flWriteJFIF | flDeleteAfterEOI | flSaveOriginal |
                                                  flWriteComment | flOriginalJFIF | flWriteAPP14 |
                                                  flKeepOrientation | flKeepICC;

// The values that settings files, seeds and earlier builds rely on.
static_assert(Bits(flWriteJFIF) == 1);
static_assert(Bits(flDeleteAfterEOI) == 2);
static_assert(Bits(flSaveOriginal) == 4);
static_assert(Bits(flWriteComment) == 8);
static_assert(Bits(flOriginalJFIF) == 16);
static_assert(Bits(flWriteAPP14) == 32);
static_assert(Bits(flKeepOrientation) == 64);
static_assert(Bits(flKeepICC) == 128);
static_assert(sizeof(TStripOptions) == 4);

}  // namespace ExifData
