// A compiled message catalog (the .mo format that msgfmt writes), read in
// place: the bytes stay where they are and lookups return views into them.
// Both byte orders are read; every offset is checked against the size, so a
// damaged catalog reads as an empty one instead of reading out of bounds.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

class TMoCatalog {
 public:
  // An empty catalog: every lookup finds nothing.
  TMoCatalog() = default;
  // The catalog in `bytes`, which must outlive it; empty when the bytes are
  // not a well-formed catalog.
  explicit TMoCatalog(std::span<const unsigned char> bytes);

  bool Empty() const { return count_ == 0; }
  // The translation of `original`; none when the catalog has no entry for it
  // or its translation is empty (an entry not translated yet).
  std::optional<std::string_view> Find(std::string_view original) const;

 private:
  uint32_t word(size_t offset) const;
  // The string described at `table` + 8 * `index`; false when it lies outside.
  bool entry(size_t table, uint32_t index, std::string_view& text) const;

  std::span<const unsigned char> bytes_;
  bool swapped_ = false;
  uint32_t count_ = 0;
  uint32_t originals_ = 0;
  uint32_t translations_ = 0;
  bool sorted_ = false;  // msgfmt sorts the originals; a catalog may not
};

}  // namespace platform
