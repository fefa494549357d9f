// What a segment the walk leaves out holds, told by its marker and the
// identifier at the start of its body: the words a script or a person reads
// in a check ("Exif", "XMP", "ICC", ...), never a trace line's label.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace ExifData {

// The kind of the bytes after the end-of-image marker that a cut removes.
inline constexpr std::string_view kAfterEndOfImage = "data after the end of image";

// `body`: the segment's bytes after its length field (as many as the input holds).
std::string_view SegmentKind(uint16_t marker, std::span<const uint8_t> body);

}  // namespace ExifData
