// Decoding a JPEG held in memory with libjpeg, for pixel comparisons.
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

}  // namespace velmora::test
