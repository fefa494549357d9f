// A growable byte buffer with a position, shaped after the stream the stripping
// walk was designed against: reads never fail (they deliver what is left),
// copies that run short throw EStreamReadError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace ExifData {

// The failure of a copy that runs short. Its text is the one users see in the
// general error report.
class EStreamReadError : public std::runtime_error {
 public:
  EStreamReadError();
};

class TMemoryStream {
 public:
  int64_t Size() const {
    return static_cast<int64_t>(view_ != nullptr ? viewSize_ : bytes_.size());
  }
  int64_t Position() const { return position_; }
  // May be set beyond the end; that changes neither size nor contents.
  void SetPosition(int64_t position) { position_ = position; }
  void Seek(int64_t delta) { position_ += delta; }

  // Delivers min(count, bytes left after the position) bytes, none at or past
  // the end; the rest of `into` stays as it was. Returns the number delivered.
  size_t Read(void* into, size_t count);
  // Stores at the position (growing the stream, zero-filling any gap).
  void Write(const void* from, size_t count);
  // Appends `count` (>= 1) bytes of `source` from its position at this
  // stream's position; advances both. Throws EStreamReadError when `source`
  // holds fewer than `count` bytes after its position.
  void CopyFrom(TMemoryStream& source, int64_t count);
  void Clear();

  // Holds `size` bytes at `data` without copying them (a loaded file mapped
  // into memory); `owner` keeps them alive until the stream is emptied or
  // ends. A write or a call of Bytes() first copies them into the stream's
  // own buffer.
  void Adopt(const uint8_t* data, size_t size, std::shared_ptr<const void> owner);

  const uint8_t* Data() const { return view_ != nullptr ? view_ : bytes_.data(); }
  std::vector<uint8_t>& Bytes() {
    ownBytes();
    return bytes_;
  }
  const std::vector<uint8_t>& Bytes() const {
    ownBytes();
    return bytes_;
  }

 private:
  void ownBytes() const;

  // Mutable: the adopted bytes become the stream's own on demand, which
  // changes neither its size nor its content.
  mutable std::vector<uint8_t> bytes_;
  mutable const uint8_t* view_ = nullptr;
  mutable size_t viewSize_ = 0;
  mutable std::shared_ptr<const void> owner_;
  int64_t position_ = 0;
};

}  // namespace ExifData
