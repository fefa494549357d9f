// The walk's output as ranges of the input and bytes of our own.
#include "StripOutput.h"

#include <cstring>

namespace ExifData {

namespace {

constexpr size_t kOwnBytes = 512;
// A stripped file is a handful of pieces: the start of image, our segments,
// the kept segments and the scan.
constexpr size_t kPieces = 8;

}  // namespace

void TStripOutput::Write(const void* from, size_t count) {
  if (count == 0) return;
  const auto* bytes = static_cast<const uint8_t*>(from);
  // Our own segments come to a few hundred bytes: one block holds them all.
  if (own_.capacity() == 0) own_.reserve(kOwnBytes);
  const auto at = static_cast<int64_t>(own_.size());
  own_.insert(own_.end(), bytes, bytes + count);
  const auto n = static_cast<int64_t>(count);
  if (!pieces_.empty() && pieces_.back().source == nullptr) {
    pieces_.back().size += n;  // own bytes are appended in order, so they join
  } else {
    if (pieces_.capacity() == 0) pieces_.reserve(kPieces);
    pieces_.push_back({nullptr, at, n});
  }
  size_ += n;
}

void TStripOutput::CopyFrom(TMemoryStream& source, int64_t count) {
  if (count <= 0) return;
  const int64_t at = source.Position();
  if (at < 0 || count > source.Size() - at) throw EStreamReadError();
  TPiece* last = pieces_.empty() ? nullptr : &pieces_.back();
  if (last != nullptr && last->source == &source && last->offset + last->size == at) {
    last->size += count;  // kept segments that follow each other: one range
  } else {
    if (pieces_.capacity() == 0) pieces_.reserve(kPieces);
    pieces_.push_back({&source, at, count});
  }
  source.SetPosition(at + count);
  size_ += count;
}

void TStripOutput::Clear() {
  pieces_.clear();
  own_.clear();
  size_ = 0;
}

TBytePieces TStripOutput::Pieces() const {
  TBytePieces spans;
  spans.reserve(pieces_.size());
  for (const TPiece& piece : pieces_) {
    const uint8_t* base = piece.source != nullptr ? piece.source->Data() : own_.data();
    spans.emplace_back(base + piece.offset, static_cast<size_t>(piece.size));
  }
  return spans;
}

bool TStripOutput::Equals(const uint8_t* data, size_t size) const {
  return static_cast<size_t>(size_) == size && StartOf(data, size);
}

bool TStripOutput::StartOf(const uint8_t* data, size_t size) const {
  if (static_cast<size_t>(size_) > size) return false;
  size_t at = 0;
  for (const std::span<const uint8_t> piece : Pieces()) {
    // A range that is the same place of the input needs no comparing.
    if (piece.data() != data + at && std::memcmp(piece.data(), data + at, piece.size()) != 0)
      return false;
    at += piece.size();
  }
  return true;
}

std::vector<uint8_t> TStripOutput::Bytes() const {
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(size_));
  for (const std::span<const uint8_t> piece : Pieces())
    bytes.insert(bytes.end(), piece.begin(), piece.end());
  return bytes;
}

}  // namespace ExifData
