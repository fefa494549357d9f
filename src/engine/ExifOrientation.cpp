// Reading IFD0's Orientation out of an Exif segment, and the segment that
// carries nothing but it.
#include "ExifOrientation.h"

#include <algorithm>
#include <array>

namespace ExifData {

namespace {

constexpr std::array<uint8_t, 6> kExifId = {'E', 'x', 'i', 'f', 0x00, 0x00};
constexpr uint16_t kTiffMagic = 42;
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr uint64_t kEntrySize = 12;
// Exif chains two IFDs (the picture's and the thumbnail's); a longer chain is
// taken as damage, and so is one that comes back to an IFD already read.
constexpr size_t kMaxIfds = 8;

// The TIFF data after "Exif\0\0". Offsets are counted from its first byte; a
// field that does not lie wholly inside it is not read.
class TTiffData {
 public:
  TTiffData(std::span<const uint8_t> bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}

  bool U16(uint64_t at, uint16_t& value) const {
    if (at > bytes_.size() || bytes_.size() - at < 2) return false;
    const uint8_t* p = bytes_.data() + at;
    value = static_cast<uint16_t>(big_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
    return true;
  }
  bool U32(uint64_t at, uint32_t& value) const {
    uint16_t first = 0;
    uint16_t second = 0;
    if (!U16(at, first) || !U16(at + 2, second)) return false;
    value = big_ ? uint32_t{first} << 16 | second : uint32_t{second} << 16 | first;
    return true;
  }
  uint64_t Size() const { return bytes_.size(); }

 private:
  std::span<const uint8_t> bytes_;
  bool big_;
};

// The value of one Orientation entry at `entry`: a single SHORT (or, from
// lax writers, a single LONG that fits 16 bits). Any other shape is no value.
std::optional<uint16_t> EntryValue(const TTiffData& tiff, uint64_t entry) {
  uint16_t type = 0;
  uint32_t count = 0;
  if (!tiff.U16(entry + 2, type) || !tiff.U32(entry + 4, count) || count != 1) return {};
  if (type == kTypeShort) {
    uint16_t value = 0;
    if (tiff.U16(entry + 8, value)) return value;
  } else if (type == kTypeLong) {
    uint32_t value = 0;
    if (tiff.U32(entry + 8, value) && value <= 0xFFFF) return static_cast<uint16_t>(value);
  }
  return {};
}

}  // namespace

std::optional<TExifOrientation> ReadExifOrientation(std::span<const uint8_t> body) {
  if (body.size() < kExifId.size() + 8 || !std::equal(kExifId.begin(), kExifId.end(), body.begin()))
    return {};
  const std::span<const uint8_t> bytes = body.subspan(kExifId.size());
  bool big = false;
  if (bytes[0] == 'M' && bytes[1] == 'M') {
    big = true;
  } else if (bytes[0] != 'I' || bytes[1] != 'I') {
    return {};
  }
  const TTiffData tiff(bytes, big);
  uint16_t magic = 0;
  uint32_t at = 0;
  if (!tiff.U16(2, magic) || magic != kTiffMagic || !tiff.U32(4, at)) return {};

  // Every IFD of the chain must lie inside the data, the orientation is taken
  // from the first one.
  std::array<uint32_t, kMaxIfds> seen{};
  size_t ifds = 0;
  std::optional<uint16_t> value;
  do {
    if (ifds == kMaxIfds || std::find(seen.begin(), seen.begin() + ifds, at) != seen.begin() + ifds)
      return {};
    seen[ifds++] = at;
    uint16_t count = 0;
    if (!tiff.U16(at, count)) return {};
    const uint64_t next = uint64_t{at} + 2 + count * kEntrySize;
    if (next + 4 > tiff.Size()) return {};
    for (uint64_t entry = uint64_t{at} + 2; ifds == 1 && !value && entry < next;
         entry += kEntrySize) {
      uint16_t tag = 0;
      tiff.U16(entry, tag);
      if (tag != kOrientationTag) continue;
      value = EntryValue(tiff, entry);
      if (!value) return {};
    }
    tiff.U32(next, at);
  } while (at != 0);

  if (!value || *value < 2 || *value > 8) return {};
  return TExifOrientation{big, *value};
}

std::optional<TExifOrientation> FindExifOrientation(std::span<const uint8_t> jpeg) {
  size_t at = 2;
  for (;;) {
    while (at + 1 < jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] == 0xFF) ++at;  // fill bytes
    if (at + 4 > jpeg.size() || jpeg[at] != 0xFF) return {};
    const uint8_t code = jpeg[at + 1];
    // The scan, or a marker that stands alone: the header ends here.
    if (code == 0xDA || code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD9)) return {};
    const size_t length = size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
    if (length < 2 || jpeg.size() - at - 2 < length) return {};
    const std::span<const uint8_t> body = jpeg.subspan(at + 4, length - 2);
    if (code == 0xE1 && body.size() >= kExifId.size() &&
        std::equal(kExifId.begin(), kExifId.end(), body.begin())) {
      return ReadExifOrientation(body);
    }
    at += 2 + length;
  }
}

std::vector<uint8_t> OrientationSegment(const TExifOrientation& orientation) {
  std::vector<uint8_t> segment;
  segment.reserve(36);
  for (const uint8_t byte : {0xFF, 0xE1, 0x00, 0x00}) segment.push_back(byte);  // length set below
  for (const uint8_t byte : kExifId) segment.push_back(byte);
  const auto put16 = [&](uint16_t v) {
    const uint8_t hi = static_cast<uint8_t>(v >> 8);
    const uint8_t lo = static_cast<uint8_t>(v & 0xFF);
    segment.push_back(orientation.bigEndian ? hi : lo);
    segment.push_back(orientation.bigEndian ? lo : hi);
  };
  const auto put32 = [&](uint32_t v) {
    const uint16_t hi = static_cast<uint16_t>(v >> 16);
    const uint16_t lo = static_cast<uint16_t>(v & 0xFFFF);
    put16(orientation.bigEndian ? hi : lo);
    put16(orientation.bigEndian ? lo : hi);
  };
  const uint8_t order = orientation.bigEndian ? 'M' : 'I';
  segment.push_back(order);
  segment.push_back(order);
  put16(kTiffMagic);
  put32(8);  // IFD0 right after the header
  put16(1);  // one entry
  put16(kOrientationTag);
  put16(kTypeShort);
  put32(1);
  put16(orientation.value);
  put16(0);  // the value field's unused half
  put32(0);  // no next IFD
  const size_t length = segment.size() - 2;
  segment[2] = static_cast<uint8_t>(length >> 8);
  segment[3] = static_cast<uint8_t>(length & 0xFF);
  return segment;
}

}  // namespace ExifData
