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
// vector compares, for 0xFF before anything but 0x00; only a block that holds
// one (the scan's end, or a rare restart marker) is looked at byte by byte.
// That keeps the search near the speed of reading memory.
VELMORA_WIDE_VECTOR_CLONES int64_t FindMarker(const uint8_t* data, int64_t from, int64_t size) {
  constexpr int64_t kBlock = 256;
  const int64_t limit = size - 1;  // a marker's code byte must be inside the input
  int64_t p = from;
  for (; p + kBlock <= limit; p += kBlock) {
    uint8_t hit = 0;
    for (int64_t i = 0; i < kBlock; ++i) {
      hit |= static_cast<uint8_t>((data[p + i] == 0xFF) & (data[p + i + 1] != 0x00));
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

// The search reads a long scan this many bytes at a time, each offered to the
// file access just before (TFileAccess::AheadOfSearch): a chunk fits the
// processor's cache, so a write of it right after costs no second pass
// through memory. A scan of one chunk or less is not offered.
constexpr int64_t kChunk = int64_t{256} << 10;

// The input's bytes from the start of scan on, offered in order and each
// once, for the output from offset `at` on.
class TOffer {
 public:
  TOffer(TFileAccess* files, const uint8_t* data, int64_t from, int64_t at)
      : files_(files), data_(data), from_(from), offered_(from), at_(at) {}
  // Offers the bytes up to `end` (exclusive) not offered yet.
  void Upto(int64_t end) {
    if (files_ == nullptr || end <= offered_) return;
    files_->AheadOfSearch({data_ + offered_, static_cast<size_t>(end - offered_)},
                          at_ + (offered_ - from_));
    offered_ = end;
  }

 private:
  TFileAccess* files_;  // nullptr: nothing is offered
  const uint8_t* data_;
  int64_t from_;
  int64_t offered_;
  int64_t at_;
};

// FindMarker over [from, size), a chunk at a time, each offered first.
int64_t FindMarkerOffered(const uint8_t* data, int64_t from, int64_t size, TOffer& offer) {
  for (int64_t p = from; p < size - 1;) {
    const int64_t end = std::min(size, p + kChunk);
    offer.Upto(end);
    // The bound after `end` lets a marker's code byte lie just past it.
    const int64_t found = FindMarker(data, p, std::min(size, end + 1));
    if (found != kNone) return found;
    p = end;
  }
  return kNone;
}

// From the start-of-scan marker at E: the offset of the 0xFF of the
// end-of-image marker that ends the image, or kNone when there is none or the
// structure breaks (a length below 2 or past the end, a start of image).
int64_t FollowToEOI(const uint8_t* data, int64_t E, int64_t size, TOffer& offer) {
  int64_t marker = E;  // the 0xFF of a marker with a length field
  for (;;) {
    if (marker + 4 > size) return kNone;
    const int64_t length = int64_t{data[marker + 2]} * 256 + data[marker + 3];
    if (length < 2 || marker + 2 + length > size) return kNone;
    int64_t p = marker + 2 + length;
    for (;;) {
      p = FindMarkerOffered(data, p, size, offer);
      if (p == kNone) return kNone;
      while (p + 1 < size && data[p + 1] == 0xFF) ++p;  // fill: the last 0xFF is the marker's
      if (p + 1 >= size) return kNone;
      const uint8_t code = data[p + 1];
      if (code == 0xD9) return p;
      if (code == 0xD8) return kNone;
      if (IsScanData(code) || code == 0x01) {  // after fill; TEM stands alone
        p += 2;
        continue;
      }
      marker = p;
      break;
    }
  }
}

}  // namespace

// Entry: Src at E, the first byte of the start-of-scan marker. Returns the
// offset of the 0xFF of the end-of-image marker that ends the image, or E when
// there is none; a find adds its trace line. Exit: Src just after the marker
// found, or at the end of the input.
int32_t TStripRun::SeekEOI(TMemoryStream& Src) {
  const int64_t E = Src.Position();
  const int64_t size = Src.Size();
  // Only a file that will be written has its scan offered: its output so far
  // is not the input's own start.
  const bool offered =
      E >= 0 && size - E > kChunk && !StripJpeg.Equals(Src.Data(), static_cast<size_t>(E));
  TOffer offer(offered ? &files_ : nullptr, Src.Data(), E, StripJpeg.Size());
  const int64_t found = E >= 0 && E < size ? FollowToEOI(Src.Data(), E, size, offer) : kNone;
  if (found == kNone) {
    Src.SetPosition(size);
    return static_cast<int32_t>(E);
  }
  TraceLog.push_back(TraceLine(static_cast<uint32_t>(found), 0xFFD9, texts::kEOI));
  Src.SetPosition(found + 2);
  return static_cast<int32_t>(found);
}

}  // namespace ExifData
