// The end-of-image search.
//
// Files may carry further images after the main one (multi-picture files, gain
// maps, motion photos: each a whole JPEG ending in FF D9), so the end of the
// input is no sign of the main image's end. The forward scan from the start of
// scan therefore comes first; the last two bytes are tested only when it finds
// nothing (the pair there is out of the scan's reach).
#include <cstring>

#include "EngineTexts.h"
#include "ExifData.h"

namespace ExifData {

namespace {

// Probes from `from` while a probe may start before `limit` (the size less 2):
// a byte other than 0xFF is a probe of its own; 0xFF takes the next byte with it
// and is the marker when that byte is 0xD9. So a run of k bytes 0xFF before
// 0xD9 is found when k is odd and missed when k is even. Returns the offset of
// the marker's 0xFF, or -1.
int64_t ScanForEOI(const uint8_t* data, int64_t from, int64_t limit) {
  int64_t p = from;
  while (p < limit) {
    const void* hit = std::memchr(data + p, 0xFF, static_cast<size_t>(limit - p));
    if (hit == nullptr) return -1;
    const int64_t q = static_cast<const uint8_t*>(hit) - data;
    if (data[q + 1] == 0xD9) return q;
    p = q + 2;
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
