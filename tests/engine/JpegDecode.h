// Decoding a JPEG held in memory with libjpeg, for pixel comparisons, and
// encoding real ones to build damaged fixtures from.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora::test {

struct TDecoded {
  bool ok = false;  // false when the decoder gave up with an error, or refused a large image
  int width = 0;
  int height = 0;
  int components = 0;
  std::vector<uint8_t> pixels;
};

struct TDecodeOptions {
  // The samples as coded, without colour conversion: the segments that only
  // tell the decoder which transform to apply (JFIF, Adobe) then change no
  // pixel.
  bool asCoded = false;
  // Images of more samples (width x height x components) are not decoded;
  // 0: no limit. Made-up headers may claim 65535 x 65535.
  uint64_t maxSamples = 0;
};

// Warnings (damaged data the decoder works around) are not errors here.
TDecoded DecodeJpeg(const std::vector<uint8_t>& bytes, const TDecodeOptions& options = {});

// A real JPEG of `width` x `height` reproducible colour noise over a gradient,
// at quality 90: baseline, or progressive (several scans, tables between
// them). The encoder's JFIF APP0 stands right after FF D8.
std::vector<uint8_t> EncodeJpeg(int width, int height, bool progressive, unsigned seed = 1);

}  // namespace velmora::test
