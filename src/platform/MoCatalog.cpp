#include "platform/MoCatalog.h"

namespace platform {
namespace {

constexpr uint32_t kMagic = 0x950412DE;
constexpr uint32_t kMagicSwapped = 0xDE120495;
constexpr size_t kHeaderSize =
    28;  // magic, revision, count, two table offsets, hash size and offset

}  // namespace

TMoCatalog::TMoCatalog(std::span<const unsigned char> bytes) : bytes_(bytes) {
  if (bytes_.size() < kHeaderSize) return;
  const uint32_t magic = word(0);
  if (magic != kMagic && magic != kMagicSwapped) return;
  swapped_ = magic == kMagicSwapped;
  if (word(4) >> 16 != 0) return;  // a major revision this reader does not know
  const uint32_t count = word(8);
  originals_ = word(12);
  translations_ = word(16);
  // Both tables must lie inside the bytes, and every string they describe.
  for (const uint32_t table : {originals_, translations_})
    if (table > bytes_.size() || count > (bytes_.size() - table) / 8) return;
  count_ = count;
  sorted_ = true;
  std::string_view previous;
  for (uint32_t i = 0; i < count_; ++i) {
    std::string_view original, translation;
    if (!entry(originals_, i, original) || !entry(translations_, i, translation)) {
      count_ = 0;
      return;
    }
    if (i > 0 && !(previous < original)) sorted_ = false;
    previous = original;
  }
}

// Read in the order the magic number showed: the writer's own byte order.
uint32_t TMoCatalog::word(size_t offset) const {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const uint32_t byte = bytes_[offset + (swapped_ ? i : 3 - i)];
    value = (value << 8) | byte;
  }
  return value;
}

bool TMoCatalog::entry(size_t table, uint32_t index, std::string_view& text) const {
  const size_t at = table + size_t{8} * index;
  const uint32_t length = word(at);
  const uint32_t offset = word(at + 4);
  // The string is followed by a NUL, which is not part of it.
  if (offset > bytes_.size() || length >= bytes_.size() - offset) return false;
  text = std::string_view(reinterpret_cast<const char*>(bytes_.data()) + offset, length);
  return true;
}

std::optional<std::string_view> TMoCatalog::Find(std::string_view original) const {
  std::string_view key;
  std::string_view translation;
  auto found = [&](uint32_t i) {
    entry(translations_, i, translation);
    if (translation.empty()) return std::optional<std::string_view>();
    return std::optional<std::string_view>(translation);
  };
  if (sorted_) {
    uint32_t low = 0, high = count_;
    while (low < high) {
      const uint32_t middle = low + (high - low) / 2;
      entry(originals_, middle, key);
      if (key == original) return found(middle);
      if (key < original)
        low = middle + 1;
      else
        high = middle;
    }
    return std::nullopt;
  }
  for (uint32_t i = 0; i < count_; ++i) {
    entry(originals_, i, key);
    if (key == original) return found(i);
  }
  return std::nullopt;
}

}  // namespace platform
