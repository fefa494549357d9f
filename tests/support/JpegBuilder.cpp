#include "JpegBuilder.h"

#include <stdexcept>

namespace velmora::test {

namespace {

uint8_t FillerByte(size_t i) { return static_cast<uint8_t>(0x20 + i % 0x5F); }

}  // namespace

void JpegBuilder::Word(uint16_t value) {
  bytes_.push_back(static_cast<uint8_t>(value >> 8));
  bytes_.push_back(static_cast<uint8_t>(value & 0xFF));
}

JpegBuilder& JpegBuilder::SOI() { return Marker(0xFFD8); }
JpegBuilder& JpegBuilder::EOI() { return Marker(0xFFD9); }

JpegBuilder& JpegBuilder::Marker(uint16_t marker) {
  Word(marker);
  return *this;
}

JpegBuilder& JpegBuilder::Segment(uint16_t marker, size_t bodySize) {
  return SegmentWithLength(marker, static_cast<uint16_t>(bodySize + 2), bodySize);
}

JpegBuilder& JpegBuilder::Segment(uint16_t marker, const std::vector<uint8_t>& body) {
  Word(marker);
  Word(static_cast<uint16_t>(body.size() + 2));
  bytes_.insert(bytes_.end(), body.begin(), body.end());
  return *this;
}

JpegBuilder& JpegBuilder::SegmentWithLength(uint16_t marker, uint16_t length, size_t bodySize) {
  Word(marker);
  Word(length);
  for (size_t i = 0; i < bodySize; ++i) bytes_.push_back(FillerByte(i));
  return *this;
}

JpegBuilder& JpegBuilder::APP0() {
  return Segment(0xFFE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
}

JpegBuilder& JpegBuilder::APP(int n, size_t bodySize) {
  return Segment(static_cast<uint16_t>(0xFFE0 + n), bodySize);
}

JpegBuilder& JpegBuilder::APP1(size_t bodySize) {
  std::vector<uint8_t> body;
  static constexpr uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
  for (size_t i = 0; i < bodySize; ++i) body.push_back(i < 6 ? kExif[i] : FillerByte(i));
  return Segment(0xFFE1, body);
}

JpegBuilder& JpegBuilder::COM(std::string_view text) {
  return Segment(0xFFFE, std::vector<uint8_t>(text.begin(), text.end()));
}

JpegBuilder& JpegBuilder::DQT() {
  std::vector<uint8_t> body{0x00};  // 8-bit precision, table 0
  for (int i = 0; i < 64; ++i) body.push_back(static_cast<uint8_t>(1 + i));
  return Segment(0xFFDB, body);
}

JpegBuilder& JpegBuilder::DHT() {
  // DC table 0: one code of length 1 for category 0.
  std::vector<uint8_t> body{0x00, 1};
  body.resize(17, 0);
  body.push_back(0x00);
  return Segment(0xFFC4, body);
}

JpegBuilder& JpegBuilder::DRI() { return Segment(0xFFDD, {0x00, 0x04}); }

JpegBuilder& JpegBuilder::SOF0() { return SOF(0xFFC0); }

JpegBuilder& JpegBuilder::SOF(uint16_t marker) {
  return Segment(marker, {8, 0, 16, 0, 16, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
}

JpegBuilder& JpegBuilder::SOS() {
  return Segment(0xFFDA, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
}

JpegBuilder& JpegBuilder::Data(size_t count, uint32_t seed) {
  uint32_t state = seed == 0 ? 0x9E3779B9u : seed;
  for (size_t i = 0; i < count; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    uint8_t byte = static_cast<uint8_t>(state >> 24);
    if (byte == 0xFF) {
      if (i + 1 == count)
        byte = 0x00;
      else {
        bytes_.push_back(0xFF);
        byte = 0x00;
        ++i;
      }
    }
    bytes_.push_back(byte);
  }
  return *this;
}

JpegBuilder& JpegBuilder::Bytes(std::initializer_list<uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

JpegBuilder& JpegBuilder::Bytes(const std::vector<uint8_t>& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

ExifBuilder::ExifBuilder(bool bigEndian, uint32_t ifd0)
    : big_(bigEndian), bytes_{'E', 'x', 'i', 'f', 0, 0} {
  const uint8_t order = bigEndian ? 'M' : 'I';
  bytes_.push_back(order);
  bytes_.push_back(order);
  U16(42);
  U32(ifd0);
}

ExifBuilder& ExifBuilder::U16(uint16_t value) {
  const uint8_t hi = static_cast<uint8_t>(value >> 8);
  const uint8_t lo = static_cast<uint8_t>(value & 0xFF);
  bytes_.push_back(big_ ? hi : lo);
  bytes_.push_back(big_ ? lo : hi);
  return *this;
}

ExifBuilder& ExifBuilder::U32(uint32_t value) {
  const uint16_t hi = static_cast<uint16_t>(value >> 16);
  const uint16_t lo = static_cast<uint16_t>(value & 0xFFFF);
  return big_ ? U16(hi).U16(lo) : U16(lo).U16(hi);
}

ExifBuilder& ExifBuilder::Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  U16(tag).U16(type).U32(count);
  if (type == 3 && count == 1) return U16(static_cast<uint16_t>(value)).U16(0);
  return U32(value);
}

std::vector<uint8_t> ExifWithOrientation(bool bigEndian, uint16_t value) {
  ExifBuilder exif(bigEndian);
  exif.U16(3)                           // IFD0 at 8: three entries
      .Entry(0x010F, 2, 4, 0x43616D00)  // Make: four bytes in the value field
      .Entry(0x0112, 3, 1, value)       // Orientation
      .Entry(0x8769, 4, 1, 50)          // the Exif IFD
      .U32(68)                          // IFD1
      .U16(1)                           // Exif IFD at 50
      .Entry(0xA002, 4, 1, 16)          // pixel width
      .U32(0)
      .U16(1)                  // IFD1 at 68
      .Entry(0x0103, 3, 1, 6)  // compression: JPEG
      .U32(0);
  return exif.Build();
}

std::vector<uint8_t> HexBytes(std::string_view text) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c == ' ' || c == '\n')
      continue;
    else
      throw std::invalid_argument("HexBytes: not a hexadecimal digit");
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("HexBytes: odd number of digits");
  return bytes;
}

uint64_t Fnv1a64(const uint8_t* data, size_t size) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (size_t i = 0; i < size; ++i) {
    hash ^= data[i];
    hash *= 0x100000001B3ull;
  }
  return hash;
}

}  // namespace velmora::test
