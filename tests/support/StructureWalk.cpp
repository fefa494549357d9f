#include "StructureWalk.h"

namespace velmora::test {

size_t ReferenceSeekEOI(const std::vector<uint8_t>& in, size_t E) {
  const size_t n = in.size();
  size_t p = E;  // at a marker with a length field
  for (;;) {
    if (p + 4 > n) return E;
    const size_t length = in[p + 2] * 256u + in[p + 3];
    if (length < 2 || p + 2 + length > n) return E;
    p += 2 + length;
    for (;;) {
      if (p >= n) return E;
      if (in[p] != 0xFF) {
        ++p;
        continue;
      }
      size_t q = p + 1;
      while (q < n && in[q] == 0xFF) ++q;
      if (q >= n) return E;
      const uint8_t code = in[q];
      if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
        p = q + 1;
        continue;
      }
      if (code == 0xD9) return q - 1;
      if (code == 0xD8) return E;
      p = q - 1;
      break;
    }
  }
}

}  // namespace velmora::test
