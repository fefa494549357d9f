// Reading the 16-bit big-endian fields of the JPEG stream.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "ExifData.h"
#include "MemoryStream.h"

namespace ExifData {

// Reads two raw bytes and puts them in value order with MM2. False when the
// end of the input cut the field short; the bytes not read count as zero.
inline bool ReadField(TMemoryStream& Src, uint16_t& value) {
  uint8_t bytes[2] = {0, 0};
  const size_t got = Src.Read(bytes, 2);
  uint16_t raw;
  std::memcpy(&raw, bytes, 2);
  value = std::endian::native == std::endian::little ? MM2(raw) : raw;
  return got == 2;
}

// Writes a computed value high byte first.
template <class TStream>
void WriteField(TStream& into, uint16_t value) {
  const uint16_t raw = std::endian::native == std::endian::little ? MM2(value) : value;
  into.Write(&raw, 2);
}

}  // namespace ExifData
