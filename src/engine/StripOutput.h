// The walk's output: the stripped file as pieces, each either a range of the
// loaded input or bytes of the engine's own making (the start-of-image marker,
// the JFIF and comment segments). The input is not copied here: the save
// writes the pieces straight from the input to the file, so a file costs its
// own size in memory plus a few hundred bytes, and each byte is copied once.
//
// The ranges refer to the input stream they were copied from, which must
// stay alive and unchanged while the output is used. Path not taken: a
// growable copy of the kept bytes, which doubled the memory of a run and
// copied the scan data twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "MemoryStream.h"

namespace ExifData {

// Bytes in the order they are to be written.
using TBytePieces = std::vector<std::span<const uint8_t>>;

class TStripOutput {
 public:
  int64_t Size() const { return size_; }
  // Appends bytes of our own making (copied).
  void Write(const void* from, size_t count);
  // Appends `count` (>= 1) bytes of `source` from its position and advances
  // it; nothing is copied. Throws EStreamReadError when `source` holds fewer
  // than `count` bytes after its position, as TMemoryStream::CopyFrom does.
  void CopyFrom(TMemoryStream& source, int64_t count);
  void Clear();

  // The pieces to write, valid while the output and its sources are unchanged.
  TBytePieces Pieces() const;
  // True when the output holds exactly these bytes (compared in place).
  bool Equals(const uint8_t* data, size_t size) const;
  // The whole output in one buffer (a copy).
  std::vector<uint8_t> Bytes() const;

 private:
  struct TPiece {
    const TMemoryStream* source;  // nullptr: own_
    int64_t offset;
    int64_t size;
  };
  std::vector<TPiece> pieces_;
  std::vector<uint8_t> own_;
  int64_t size_ = 0;
};

}  // namespace ExifData
