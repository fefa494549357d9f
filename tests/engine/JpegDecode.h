// Decoding a JPEG held in memory with libjpeg, for pixel comparisons, and
// encoding real ones to build damaged fixtures from.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora::test {

struct TDecoded {
  bool ok = false;  // false when the decoder gave up with an error
  int width = 0;
  int height = 0;
  int components = 0;
  std::vector<uint8_t> pixels;
};

// Warnings (damaged data the decoder works around) are not errors here.
TDecoded DecodeJpeg(const std::vector<uint8_t>& bytes);

// A real JPEG of `width` x `height` reproducible colour noise over a gradient,
// at quality 90: baseline, or progressive (several scans, tables between
// them). The encoder's JFIF APP0 stands right after FF D8.
std::vector<uint8_t> EncodeJpeg(int width, int height, bool progressive, unsigned seed = 1);

}  // namespace velmora::test
