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
#include <utility>
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
  // True when the output's bytes are the first Size() of these (compared in place).
  bool StartOf(const uint8_t* data, size_t size) const;
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

// An output as a save writes it: the pieces known so far, then the rest of a
// long scan handed out a chunk at a time while the end-of-image search follows
// it, so that each chunk is written while it is still in the processor's
// cache rather than read from memory twice. A save that does not care takes
// Pieces() at once.
class TPulledOutput {
 public:
  virtual ~TPulledOutput() = default;
  // The output known so far: all of it unless a scan is still to be pulled.
  virtual TBytePieces Known() = 0;
  // The next chunk of the output after Known() and the chunks before it;
  // empty once the whole output is known. A chunk may run past the output's
  // end (the image's end lay inside it): Pieces() tells where it ends.
  virtual std::span<const uint8_t> Pull() = 0;
  // The whole output; ends a search still pending.
  virtual TBytePieces Pieces() = 0;
};

// Pieces that are known whole.
class TKnownOutput : public TPulledOutput {
 public:
  explicit TKnownOutput(TBytePieces pieces) : pieces_(std::move(pieces)) {}
  TBytePieces Known() override { return pieces_; }
  std::span<const uint8_t> Pull() override { return {}; }
  TBytePieces Pieces() override { return pieces_; }

 private:
  TBytePieces pieces_;
};

}  // namespace ExifData
