// Runs the engine's pieces on bytes held in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FakeFileAccess.h"
#include "engine/ExifData.h"

namespace velmora::test {

using Bytes = std::vector<uint8_t>;

inline ExifData::TMemoryStream StreamOf(const Bytes& bytes, int64_t position = 0) {
  ExifData::TMemoryStream stream;
  stream.Bytes() = bytes;
  stream.SetPosition(position);
  return stream;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Bytes Slice(const Bytes& bytes, size_t from, size_t to) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

// One walk (ReadJpeg) over `input`, as the driver starts it: Src at 2.
struct TWalk {
  TFakeFileAccess files;
  ExifData::TStripRun run{files, "/opt/velmora/Velmora.exe"};
  ExifData::TMemoryStream Src;

  TWalk(const Bytes& input, uint8_t FLAG) {
    run.FLAG = FLAG;
    Src = StreamOf(input, 2);
  }
  Bytes Output() const { return run.StripJpeg.Bytes(); }
  const ExifData::TStringList& Lines() const { return run.TraceLog; }
};

// The fixed JFIF segment and the comment of an executable named Velmora.exe.
inline const Bytes kFreshJFIF = {0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00,
                                 0x01, 0x02, 0x01, 0x00, 0x48, 0x00, 0x48, 0x00, 0x00};
inline const Bytes kVelmoraComment = {
    0xFF, 0xFE, 0x00, 0x1E, 0x4D, 0x6F, 0x64, 0x69, 0x66, 0x69, 0x65, 0x64, 0x20, 0x62, 0x79, 0x20,
    0x56, 0x65, 0x6C, 0x6D, 0x6F, 0x72, 0x61, 0x20, 0x76, 0x30, 0x2E, 0x31, 0x2E, 0x33, 0x64, 0x00};

}  // namespace velmora::test
