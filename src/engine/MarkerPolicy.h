// What the walk does with each marker before the first start of scan: the
// label of its trace line and the action, decided by the marker value alone
// (the walk never looks into a segment's body, except for an APP2's identifier
// when ICC profiles are kept).
#pragma once

#include <cstdint>
#include <string_view>

#include "StripOptions.h"

namespace ExifData {

enum class TSegmentAction {
  Copy,       // the whole segment goes to the output
  Skip,       // the segment is left out
  CopyICC,    // APP2 with flKeepICC: copied when it holds an ICC profile chunk, else left out
  Fill,       // 0xFFFF: nothing read, nothing written; the walk goes on with the marker after it
  Alone,      // RST0-7, TEM: a marker without a length; stepped over, nothing written
  SecondSOI,  // another start of image: the walk ends, damaged
  ScanCopy,   // start of scan: copy it and the rest of the image; the walk ends
  RestCopy,   // not a marker: copy from these two bytes to the end; the walk ends, damaged
};

struct TMarkerRule {
  std::string_view label;
  TSegmentAction action;
};

// `JFIF`: the walk has written a fresh JFIF segment.
TMarkerRule MarkerRule(uint16_t Marker, TStripOptions FLAG, bool JFIF);

}  // namespace ExifData
