// The memory stream: reads deliver what is left, copies that run short throw.
#include "MemoryStream.h"

#include <algorithm>
#include <cstring>

#include "EngineTexts.h"

namespace ExifData {

EStreamReadError::EStreamReadError() : std::runtime_error(std::string(texts::kStreamReadError)) {}

size_t TMemoryStream::Read(void* into, size_t count) {
  if (position_ < 0 || position_ >= Size()) return 0;
  const size_t left = static_cast<size_t>(Size() - position_);
  const size_t delivered = std::min(count, left);
  if (delivered > 0) std::memcpy(into, Data() + position_, delivered);
  position_ += static_cast<int64_t>(delivered);
  return delivered;
}

void TMemoryStream::Write(const void* from, size_t count) {
  if (count == 0) return;
  ownBytes();
  const auto* bytes = static_cast<const uint8_t*>(from);
  const size_t at = static_cast<size_t>(std::max<int64_t>(position_, 0));
  const size_t end = at + count;
  if (end > bytes_.capacity()) {
    // Geometric growth for the many small header writes; one exact block for
    // a large copy such as the scan data.
    bytes_.reserve(std::max(end, 2 * bytes_.capacity()));
  }
  if (at > bytes_.size()) bytes_.resize(at);  // a position past the end leaves a gap of zeros
  const size_t overlap = std::min(count, bytes_.size() - at);
  std::memcpy(bytes_.data() + at, bytes, overlap);
  // Appending by insert copies once, without zero-filling first.
  bytes_.insert(bytes_.end(), bytes + overlap, bytes + count);
  position_ = static_cast<int64_t>(end);
}

void TMemoryStream::CopyFrom(TMemoryStream& source, int64_t count) {
  if (count <= 0) return;
  if (count > source.Size() - source.position_ || source.position_ < 0) throw EStreamReadError();
  const size_t n = static_cast<size_t>(count);
  if (&source == this) {
    const std::vector<uint8_t> part(Data() + source.position_, Data() + source.position_ + count);
    source.position_ += count;
    Write(part.data(), n);
    return;
  }
  Write(source.Data() + source.position_, n);
  source.position_ += count;
}

void TMemoryStream::Clear() {
  std::vector<uint8_t>().swap(bytes_);  // gives the memory back
  view_ = nullptr;
  viewSize_ = 0;
  owner_.reset();
  position_ = 0;
}

void TMemoryStream::Adopt(const uint8_t* data, size_t size, std::shared_ptr<const void> owner) {
  Clear();
  view_ = data;
  viewSize_ = size;
  owner_ = std::move(owner);
}

void TMemoryStream::ownBytes() const {
  if (view_ == nullptr) return;
  bytes_.assign(view_, view_ + viewSize_);
  view_ = nullptr;
  viewSize_ = 0;
  owner_.reset();
}

}  // namespace ExifData
