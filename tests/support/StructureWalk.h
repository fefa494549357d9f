// The end of the image found by walking the structure after a start of scan
// byte by byte, as a decoder reads it: the reference for the engine's search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::test {

// From the marker with a length field at E (the start of scan): segments with
// a length are stepped over, FF 00, restart markers and TEM are scan data, and
// runs of 0xFF are fill. The offset of the 0xFF just before the D9 that ends
// the image, or E when there is none or the structure breaks (a length below 2
// or past the end, a start of image).
size_t ReferenceSeekEOI(const std::vector<uint8_t>& in, size_t E);

}  // namespace velmora::test
