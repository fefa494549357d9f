// The end-of-image search.
//
// Files may carry further images after the main one (multi-picture files, gain
// maps, motion photos: each a whole JPEG ending in FF D9), so the end of the
// input is no sign of the main image's end. The forward scan from the start of
// scan therefore comes first; the last two bytes are tested only when it finds
// nothing (the pair there is out of the scan's reach).
#include <cstdint>

#include "EngineTexts.h"
#include "ExifData.h"

// Where the loader can choose among builds of a function by the processor it
// runs on, the block search is also built for 32-byte vectors.
#if defined(__x86_64__) && defined(__ELF__) && defined(__GNUC__)
#define VELMORA_WIDE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VELMORA_WIDE_VECTOR_CLONES
#endif

namespace ExifData {

namespace {

// The first pair FF D9 whose 0xFF lies in [from, limit), or -1. Blocks without
// such a pair are passed over by a loop the compiler turns into vector
// compares, which keeps the search near the speed of reading memory.
VELMORA_WIDE_VECTOR_CLONES int64_t FindPair(const uint8_t* data, int64_t from, int64_t limit) {
  constexpr int64_t kBlock = 256;
  int64_t p = from;
  for (; p + kBlock <= limit; p += kBlock) {
    uint8_t hit = 0;
    for (int64_t i = 0; i < kBlock; ++i) {
      hit |= static_cast<uint8_t>((data[p + i] == 0xFF) & (data[p + i + 1] == 0xD9));
    }
    if (hit) break;
  }
  for (; p < limit; ++p) {
    if (data[p] == 0xFF && data[p + 1] == 0xD9) return p;
  }
  return -1;
}

// Probes from `from` while a probe may start before `limit` (the size less 2):
// a byte other than 0xFF is a probe of its own; 0xFF takes the next byte with it
// and is the marker when that byte is 0xD9. So a run of k bytes 0xFF before
// 0xD9 is found when k is odd and missed when k is even. Returns the offset of
// the marker's 0xFF, or -1.
//
// Same result without stepping probe by probe: every position just after a
// byte other than 0xFF starts a probe, so a pair FF D9 is a find exactly when
// the run of 0xFF bytes that ends in its 0xFF, counted from `from` at most, has
// odd length.
int64_t ScanForEOI(const uint8_t* data, int64_t from, int64_t limit) {
  for (int64_t q = FindPair(data, from, limit); q >= 0; q = FindPair(data, q + 2, limit)) {
    int64_t runStart = q;
    while (runStart > from && data[runStart - 1] == 0xFF) --runStart;
    if ((q - runStart) % 2 == 0) return q;
  }
  return -1;
}

}  // namespace

// Entry: Src at E, the first byte of the start-of-scan marker. Returns the
// offset of the 0xFF of the end-of-image marker found, or E when there is none;
// a find adds its trace line. Exit: Src just after the marker found, or at the
// end of the input.
int32_t TStripRun::SeekEOI(TMemoryStream& Src) {
  const int64_t E = Src.Position();
  const int64_t size = Src.Size();
  const uint8_t* data = Src.Data();
  int64_t found = E >= 0 ? ScanForEOI(data, E, size - 2) : -1;
  if (found < 0 && size - 2 > E && data[size - 2] == 0xFF && data[size - 1] == 0xD9) {
    found = size - 2;
  }
  if (found < 0) {
    Src.SetPosition(size);
    return static_cast<int32_t>(E);
  }
  TraceLog.push_back(TraceLine(static_cast<uint32_t>(found), 0xFFD9, texts::kEOI));
  Src.SetPosition(found + 2);
  return static_cast<int32_t>(found);
}

}  // namespace ExifData
