// The marker walk: from the start of image to the first start of scan.
#include <algorithm>
#include <optional>

#include "EngineTexts.h"
#include "ExifData.h"
#include "ExifOrientation.h"
#include "MarkerPolicy.h"
#include "StreamFields.h"

namespace ExifData {

namespace {

// Src just after an APP2 marker: the segment lies whole inside the input and
// its body starts "ICC_PROFILE\0". A chunk cut by the end of the input is not
// kept, so that it is skipped, and reported, as every other damaged segment.
bool HoldsICCProfile(const TMemoryStream& Src) {
  static constexpr uint8_t kId[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
  const int64_t at = Src.Position();
  if (at < 0 || Src.Size() - at < 2 + int64_t{sizeof kId}) return false;
  const uint8_t* p = Src.Data() + at;
  const int64_t length = p[0] << 8 | p[1];
  return length >= 2 + int64_t{sizeof kId} && Src.Size() - at >= length &&
         std::equal(kId, kId + sizeof kId, p + 2);
}

}  // namespace

// Entry: Src at 2, just past the input's start-of-image marker; StripJpeg
// empty. Exit: StripJpeg holds the stripped file; Src's position is of no use;
// Damage() tells when the output must not be written over the input.
void TStripRun::ReadJpeg(TMemoryStream& Src) {
  damage_ = TDamage::None;
  bool JFIF = false;
  static constexpr uint8_t kSOI[2] = {0xFF, 0xD8};
  StripJpeg.Write(kSOI, 2);

  if (Has(FLAG, flWriteJFIF)) {
    // The input's own APP0 is kept only when it is the first segment.
    uint16_t Marker = 0;
    const bool whole = ReadField(Src, Marker);
    if (!whole || Marker != 0xFFE0 || !Has(FLAG, flOriginalJFIF)) {
      JFIF = true;
      WriteJFIF();
    }
    Src.SetPosition(2);
  }

  // The kept orientation follows the JFIF segment: the fresh one, or the
  // input's own leading APP0 segments when they are kept. It is placed before
  // the walk acts on the first other marker, or at its end.
  std::optional<TExifOrientation> orientation;
  if (Has(FLAG, flKeepOrientation)) {
    orientation = FindExifOrientation({Src.Data(), static_cast<size_t>(Src.Size())});
  }
  const auto placeOrientation = [&] {
    if (!orientation) return;
    const std::vector<uint8_t> segment = OrientationSegment(*orientation);
    StripJpeg.Write(segment.data(), segment.size());
    orientation.reset();
  };

  // At least three bytes must be left: the marker and one more. The last one
  // or two bytes of the input are never read here.
  while (Src.Position() < Src.Size() - 2) {
    const int64_t at = Src.Position();
    uint16_t Marker = 0;
    ReadField(Src, Marker);
    const TMarkerRule rule = MarkerRule(Marker, FLAG, JFIF);
    TraceLog.push_back(TraceLine(static_cast<uint32_t>(at), Marker, rule.label));
    if ((Marker != 0xFFE0 || rule.action != TSegmentAction::Copy) &&
        rule.action != TSegmentAction::Fill && rule.action != TSegmentAction::Alone) {
      placeOrientation();
    }
    switch (rule.action) {
      case TSegmentAction::Copy:
        WriteSegment(Src);
        break;
      case TSegmentAction::Skip:
        SkipSegment(Src);
        break;
      case TSegmentAction::CopyICC:
        if (HoldsICCProfile(Src))
          WriteSegment(Src);
        else
          SkipSegment(Src);
        break;
      case TSegmentAction::Fill:
        // Any number of 0xFF may stand before a marker code. After an odd
        // number the pair just read holds the marker's own 0xFF: step back to
        // it, so that the marker is read whole and walked by its rule.
        if (Src.Position() < Src.Size() && Src.Data()[Src.Position()] != 0xFF) Src.Seek(-1);
        break;
      case TSegmentAction::Alone:
        // Taking the next two bytes as a length would land inside a segment
        // and copy its middle out as segments of its own.
        break;
      case TSegmentAction::SecondSOI:
        damage_ = TDamage::SecondSOI;
        return;
      case TSegmentAction::ScanCopy:
        CopyScan(Src);
        return;
      case TSegmentAction::RestCopy:
        // The header cannot be followed: whatever the rest holds, metadata
        // included, would go out unexamined.
        damage_ = TDamage::NotMarker;
        CopyRest(Src);
        return;
    }
    // A length below 2 leaves no way to the next marker: the walk ends.
    if (damage_ == TDamage::ShortLength) return;
  }
  placeOrientation();
}

// Entry: Src just after two bytes that are not a marker. Copies them and the
// rest of the input.
void TStripRun::CopyRest(TMemoryStream& Src) {
  Src.Seek(-2);
  const int32_t CP = static_cast<int32_t>(Src.Position());
  StripJpeg.CopyFrom(Src, Src.Size() - CP);
}

}  // namespace ExifData
