// The end-of-image search.
//
// Files may carry further images after the main one (multi-picture files, gain
// maps, motion photos: each a whole JPEG ending in FF D9), and a progressive
// image holds tables, comments and application segments between its scans,
// whose bodies may hold any bytes, FF D9 included. So the search follows the
// structure a decoder follows from the start of scan on: segments with a
// length field are stepped over by their length, FF 00 and the restart markers
// are scan data, and a run of 0xFF before a marker code is fill. Where the
// structure cannot be followed, no end is taken for sure and the caller keeps
// the rest of the input whole.
#include <algorithm>
#include <cstdint>

#include "EndSearch.h"
#include "EngineTexts.h"
#include "ExifData.h"

// Where the loader can choose among builds of a function by the processor it
// runs on, the block search is also built for 32-byte vectors. Not under
// ThreadSanitizer (VELMORA_NO_CLONES): the loader makes that choice before the
// sanitizer is set up, and its instrumented chooser crashes.
#if defined(__x86_64__) && defined(__ELF__) && defined(__GNUC__) && !defined(VELMORA_NO_CLONES)
#define VELMORA_WIDE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VELMORA_WIDE_VECTOR_CLONES
#endif

namespace ExifData {

namespace {

constexpr int64_t kNone = -1;

// Scan data may hold 0xFF only as FF 00 (a stuffed data byte) or before a
// restart code D0 to D7.
constexpr bool IsScanData(uint8_t code) { return code == 0x00 || (code & 0xF8) == 0xD0; }

// The first 0xFF in [from, size - 1) that is not scan data by the byte after
// it, or kNone. Each block is first tested by a loop the compiler turns into
// vector compares, for 0xFF before anything but scan data (the test is
// IsScanData spelled without branches, which the compiler would not turn
// into vector code); only a block that holds one (the scan's end, or a
// segment between scans) is looked at byte by byte. Restart markers are left
// to the vector test: cameras put one every few hundred bytes, and a byte
// loop over each block holding one ran the search at a fifth of its speed.
VELMORA_WIDE_VECTOR_CLONES int64_t FindMarker(const uint8_t* data, int64_t from, int64_t size) {
  constexpr int64_t kBlock = 256;
  const int64_t limit = size - 1;  // a marker's code byte must be inside the input
  int64_t p = from;
  for (; p + kBlock <= limit; p += kBlock) {
    uint8_t hit = 0;
    for (int64_t i = 0; i < kBlock; ++i) {
      const uint8_t next = data[p + i + 1];
      hit |= static_cast<uint8_t>((data[p + i] == 0xFF) & (next != 0x00) &
                                  (static_cast<uint8_t>(next - 0xD0) > 7));
    }
    if (!hit) continue;
    for (int64_t i = p; i < p + kBlock; ++i) {
      if (data[i] == 0xFF && !IsScanData(data[i + 1])) return i;
    }
  }
  for (; p < limit; ++p) {
    if (data[p] == 0xFF && !IsScanData(data[p + 1])) return p;
  }
  return kNone;
}

}  // namespace

int64_t PastSegment(const uint8_t* data, int64_t marker, int64_t size) {
  if (marker < 0 || marker + 4 > size) return kNoEnd;
  const int64_t length = int64_t{data[marker + 2]} * 256 + data[marker + 3];
  if (length < 2 || marker + 2 + length > size) return kNoEnd;
  return marker + 2 + length;
}

int64_t FollowUpTo(const uint8_t* data, int64_t& at, int64_t size, int64_t limit) {
  for (;;) {
    // The bound after `limit` lets a marker's code byte lie just past it.
    const int64_t p = FindMarker(data, at, std::min(size, limit + 1));
    if (p == kNone) {
      if (limit >= size - 1) return kNoEnd;
      at = std::max(at, limit);
      return kSearchOn;
    }
    int64_t q = p;
    while (q + 1 < size && data[q + 1] == 0xFF) ++q;  // fill: the last 0xFF is the marker's
    if (q + 1 >= size) return kNoEnd;
    const uint8_t code = data[q + 1];
    if (code == 0xD9) return q;
    if (code == 0xD8) return kNoEnd;
    if (IsScanData(code) || code == 0x01) {  // after fill; TEM stands alone
      at = q + 2;
      continue;
    }
    at = PastSegment(data, q, size);  // a segment between scans: stepped over
    if (at == kNoEnd) return kNoEnd;
  }
}

// Entry: Src at E, the first byte of the start-of-scan marker. Returns the
// offset of the 0xFF of the end-of-image marker that ends the image, or E when
// there is none; a find adds its trace line. Exit: Src just after the marker
// found, or at the end of the input.
int32_t TStripRun::SeekEOI(TMemoryStream& Src) {
  const int64_t E = Src.Position();
  const int64_t size = Src.Size();
  int64_t at = E < size ? PastSegment(Src.Data(), E, size) : kNoEnd;
  const int64_t found = at == kNoEnd ? kNoEnd : FollowUpTo(Src.Data(), at, size, size);
  if (found == kNoEnd) {
    Src.SetPosition(size);
    return static_cast<int32_t>(E);
  }
  TraceLog.push_back(TraceLine(static_cast<uint32_t>(found), 0xFFD9, texts::kEOI));
  Src.SetPosition(found + 2);
  return static_cast<int32_t>(found);
}

}  // namespace ExifData
