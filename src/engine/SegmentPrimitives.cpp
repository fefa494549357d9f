// Consuming one marker segment: leave it out, or copy it whole.
#include <algorithm>

#include "ExifData.h"
#include "SegmentKind.h"
#include "StreamFields.h"

namespace ExifData {

// Entry: Src just after the two marker bytes. Exit: just after the segment, by
// its length field, possibly beyond the end of the input. Writes nothing.
// A length below 2 cannot be a segment's: it is damage, and the position stays
// just after the length field (a skip by the wrapped length would land tens of
// kilobytes further, inside the image data).
void TStripRun::SkipSegment(TMemoryStream& Src) {
  const int64_t at = Src.Position() - 2;
  uint16_t SZ = 0;
  if (!ReadField(Src, SZ)) {
    // The end cut the length field: the position stands at the end and the
    // walk stops there.
    damage_ = TDamage::SkippedPastEnd;
  } else if (SZ < 2) {
    damage_ = TDamage::ShortLength;
  } else {
    Src.Seek(SZ - 2);
    if (Src.Position() > Src.Size()) damage_ = TDamage::SkippedPastEnd;
  }
  const uint8_t* marker = Src.Data() + at;
  NoteRemoved(Src, static_cast<uint16_t>(marker[0] << 8 | marker[1]), at,
              std::min(Src.Position(), Src.Size()) - at);
}

// The segment or stretch of `length` bytes at `at` goes into Removed, with
// the kind its body tells.
void TStripRun::NoteRemoved(const TMemoryStream& Src, uint16_t marker, int64_t at, int64_t length) {
  std::string_view kind = kAfterEndOfImage;
  if (marker != 0) {
    const int64_t body = std::min<int64_t>(4, length);
    kind = SegmentKind(marker, {Src.Data() + at + body, static_cast<size_t>(length - body)});
  }
  Removed.push_back({marker, kind, at, length});
}

// Entry: Src just after the two marker bytes. Exit: just after the L + 2 bytes
// copied from the marker on (for L = 0 and 1, inside the length field).
// Throws EStreamReadError when the segment runs past the end of the input,
// also when the end cuts its length field.
void TStripRun::WriteSegment(TMemoryStream& Src) {
  uint16_t SZ = 0;
  if (!ReadField(Src, SZ)) throw EStreamReadError();
  Src.Seek(-4);
  StripJpeg.CopyFrom(Src, int64_t{SZ} + 2);
}

}  // namespace ExifData
