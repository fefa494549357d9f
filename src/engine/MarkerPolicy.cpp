// The segment policy: what a decoder needs is copied, metadata is dropped.
#include "MarkerPolicy.h"

#include "EngineTexts.h"
#include "ExifData.h"

namespace ExifData {

TMarkerRule MarkerRule(uint16_t Marker, TStripOptions FLAG, bool JFIF) {
  using enum TSegmentAction;
  switch (Marker) {
    case 0xFFE0:  // APP0 (JFIF, JFXX): kept only when asked and no fresh one was written
      return {texts::kAPP0, Has(FLAG, flWriteJFIF) && !JFIF ? Copy : Skip};
    case 0xFFE1:  // APP1: Exif, XMP, anything
      return {texts::kAPP1, Skip};
    case 0xFFE2:  // APP2: ICC profile, multi-picture index
      return {texts::kAPP2, Has(FLAG, flKeepICC) ? CopyICC : Skip};
    case 0xFFDB:  // DQT
      return {texts::kDQT, Copy};
    case 0xFFC4:  // DHT
      return {texts::kDHT, Copy};
    case 0xFFDD:  // DRI
      return {texts::kDRI, Copy};
    case 0xFFC0:  // SOF0, the baseline frame; other frame headers fall to the default row
      return {texts::kSOF0, Copy};
    case 0xFFDA:  // SOS
      return {texts::kSOS, ScanCopy};
    case 0xFFEC:  // APP12
      return {texts::kAPP12, Skip};
    case 0xFFED:  // APP13
      return {texts::kAPP13, Skip};
    case 0xFFEE:  // APP14: kept on request, it tells the colour transform
      return {texts::kAPP14, Has(FLAG, flWriteAPP14) ? Copy : Skip};
    case 0xFFFF:  // a fill byte before the next one
      return {{}, Fill};
    case 0xFFFE:  // COM
      return {texts::kCOM, Skip};
    case 0xFF01:  // TEM
    case 0xFFD0:  // RST0 to RST7: they carry no length; the two bytes after
    case 0xFFD1:  // them begin the next marker, and a decoder steps over them
    case 0xFFD2:
    case 0xFFD3:
    case 0xFFD4:
    case 0xFFD5:
    case 0xFFD6:
    case 0xFFD7:
      return {{}, Alone};
    case 0xFFD8:  // SOI again: two images run into one another; no way to tell which is meant
      return {{}, SecondSOI};
    default:
      break;
  }
  if ((Marker & 0xFFF0) == 0xFFE0) return {{}, Skip};  // APP3 to APP11, APP15
  // Every other marker is taken as a segment with a length field and copied.
  if ((Marker & 0xFF00) == 0xFF00) return {{}, Copy};
  return {texts::kNotMarker, RestCopy};
}

}  // namespace ExifData
