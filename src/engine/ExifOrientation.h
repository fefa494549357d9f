// The picture's orientation, read from the input's Exif and written back as
// the smallest Exif segment that carries it, for users who keep it.
//
// The reader trusts nothing: every offset and count is checked against the
// bytes at hand before it is followed, the IFD chain is walked with a cap and
// a loop check, and any doubt gives no orientation. Writing no orientation
// leaves the output as it is without the option, while a wrong one would turn
// the picture. Pure functions over bytes: no state, no OS calls, re-entrant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ExifData {

struct TExifOrientation {
  bool bigEndian = false;  // the input's TIFF byte order, "MM" rather than "II"
  uint16_t value = 0;      // 2 to 8: 1 (upright) needs no segment
};

// From the body of an APP1 segment (the bytes after its length field): the
// Orientation tag of IFD0 when the body starts "Exif\0\0", is well formed and
// the value is 2 to 8.
std::optional<TExifOrientation> ReadExifOrientation(std::span<const uint8_t> body);

// The first APP1 segment starting "Exif\0\0" in the header of the JPEG file
// `jpeg` (from just after its start of image up to its first start of scan),
// read as above. The header is followed by segment lengths; anything that does
// not read as a well-formed segment ends the search with no result.
std::optional<TExifOrientation> FindExifOrientation(std::span<const uint8_t> jpeg);

// The whole APP1 segment, marker included: "Exif\0\0", a TIFF header in the
// given byte order, IFD0 with the one Orientation entry, no next IFD.
std::vector<uint8_t> OrientationSegment(const TExifOrientation& orientation);

}  // namespace ExifData
