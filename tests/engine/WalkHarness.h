// Runs the engine's pieces on bytes held in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FakeFileAccess.h"
#include "InsertedBytes.h"
#include "engine/ExifData.h"
#include "engine/WalkSteps.h"

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
  ExifData::TWalkSteps steps{run};
  ExifData::TMemoryStream Src;

  TWalk(const Bytes& input, ExifData::TStripOptions FLAG) {
    run.FLAG = FLAG;
    Src = StreamOf(input, 2);
  }
  // FLAG as a number, the bit values typed as the tests' tables give them.
  TWalk(const Bytes& input, uint32_t FLAG) : TWalk(input, ExifData::TStripOptions{FLAG}) {}
  Bytes Output() const { return run.Stripped().Bytes(); }
  const ExifData::TStringList& Lines() const { return run.Trace(); }
};

}  // namespace velmora::test
