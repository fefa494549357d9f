// Builds JPEG-shaped byte sequences for tests, segment by segment:
//   JpegBuilder().SOI().APP1(100).DQT().SOF0().DHT().SOS().Data(4000).EOI().Build()
// Segment bodies never hold the byte 0xFF, and Data() stuffs every 0xFF with
// 0x00 as an encoder does, so the only markers are the ones asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace velmora::test {

class JpegBuilder {
 public:
  JpegBuilder& SOI();
  JpegBuilder& EOI();
  // Two marker bytes, nothing after them.
  JpegBuilder& Marker(uint16_t marker);
  // Marker, length field (body size + 2), body of `bodySize` filler bytes.
  JpegBuilder& Segment(uint16_t marker, size_t bodySize);
  JpegBuilder& Segment(uint16_t marker, const std::vector<uint8_t>& body);
  // Marker and a length field that need not match the `bodySize` bytes after it.
  JpegBuilder& SegmentWithLength(uint16_t marker, uint16_t length, size_t bodySize);

  // An input's own JFIF APP0 (version 1.01, aspect ratio 1:1: unlike the fresh one).
  JpegBuilder& APP0();
  // APPn with a body of `bodySize` bytes; APP1 starts "Exif\0\0" when long enough.
  JpegBuilder& APP(int n, size_t bodySize);
  JpegBuilder& APP1(size_t bodySize = 40);
  JpegBuilder& COM(std::string_view text);
  JpegBuilder& DQT();                 // one 8-bit table
  JpegBuilder& DHT();                 // one small table
  JpegBuilder& DRI();                 // restart interval 4
  JpegBuilder& SOF0();                // 16 x 16, three components
  JpegBuilder& SOF(uint16_t marker);  // another frame header with the same body
  JpegBuilder& SOS();                 // three components, full spectral range
  // `count` bytes of entropy-coded-like data: pseudo-random, every 0xFF followed
  // by 0x00 (counted in `count`).
  JpegBuilder& Data(size_t count, uint32_t seed = 1);
  JpegBuilder& Bytes(std::initializer_list<uint8_t> bytes);
  JpegBuilder& Bytes(const std::vector<uint8_t>& bytes);

  // Offset of the next byte to be added.
  size_t Offset() const { return bytes_.size(); }
  const std::vector<uint8_t>& Build() const { return bytes_; }

 private:
  void Word(uint16_t value);
  std::vector<uint8_t> bytes_;
};

// The body of an Exif APP1 segment: "Exif\0\0", then a TIFF header in the given
// byte order ("II" or "MM", 42, and the offset of IFD0 when given), then the
// fields added, in that byte order. Offsets count from the TIFF header.
class ExifBuilder {
 public:
  explicit ExifBuilder(bool bigEndian, uint32_t ifd0 = 8);
  ExifBuilder& U16(uint16_t value);
  ExifBuilder& U32(uint32_t value);
  // One IFD entry. A single SHORT sits in the first half of the value field.
  ExifBuilder& Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value);
  // Offset of the next field, counted from the TIFF header.
  uint32_t Offset() const { return static_cast<uint32_t>(bytes_.size() - 6); }
  const std::vector<uint8_t>& Build() const { return bytes_; }

 private:
  bool big_;
  std::vector<uint8_t> bytes_;
};

// A camera's Exif in short: IFD0 (Make, Orientation `value`, the Exif IFD's
// offset), the Exif IFD, and IFD1 for a thumbnail.
std::vector<uint8_t> ExifWithOrientation(bool bigEndian, uint16_t value);

// "FF D8 00" -> {0xFF, 0xD8, 0x00}; blanks are ignored.
std::vector<uint8_t> HexBytes(std::string_view text);

// FNV-1a, 64 bits: a stable hash for golden outputs.
uint64_t Fnv1a64(const uint8_t* data, size_t size);
inline uint64_t Fnv1a64(const std::vector<uint8_t>& bytes) {
  return Fnv1a64(bytes.data(), bytes.size());
}

}  // namespace velmora::test
