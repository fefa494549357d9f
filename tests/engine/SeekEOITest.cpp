// SeekEOI: the forward scan from E first, then the last two bytes.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "JpegBuilder.h"
#include "WalkHarness.h"

using velmora::test::Bytes;
using velmora::test::Concat;
using velmora::test::HexBytes;
using velmora::test::JpegBuilder;
using velmora::test::TWalk;

namespace {

struct Found {
  int32_t result;
  ExifData::TStringList lines;
};

Found Seek(const Bytes& input, int64_t E) {
  TWalk walk(input, 2);
  walk.Src.SetPosition(E);
  const int32_t result = walk.run.SeekEOI(walk.Src);
  return {result, walk.Lines()};
}

// The probe rules byte by byte: a probe starting before size - 2 reads one
// byte; a 0xFF takes the next with it and is the marker when that is 0xD9.
// Only without a find, the last two bytes.
int64_t ReferenceSeek(const Bytes& in, int64_t E) {
  const int64_t size = static_cast<int64_t>(in.size());
  int64_t p = E;
  while (p < size - 2) {
    if (in[p++] != 0xFF) continue;
    if (in[p++] == 0xD9) return p - 2;
  }
  if (size - 2 > E && in[size - 2] == 0xFF && in[size - 1] == 0xD9) return size - 2;
  return E;
}

}  // namespace

TEST(SeekEOI, FindsByTheProbeRules) {
  struct Case {
    const char* what;
    Bytes input;
    int64_t E;
    int32_t result;
  };
  const Bytes zeros(100, 0);
  const Case cases[] = {
      {"marker at the very end", Concat({Bytes(20, 0x11), {0xFF, 0xD9}}), 3, 20},
      {"marker followed by 100 zeros", Concat({Bytes(9, 0x11), {0xFF, 0xD9}, zeros}), 0, 9},
      {"no marker", Concat({Bytes(9, 0x11), {0xFF, 0xD8, 0xD9}, zeros}), 2, 2},
      {"marker before E is not seen", Concat({{0x11, 0xFF, 0xD9}, zeros}), 3, 3},
      {"12 FF FF D9 from 12: missed", HexBytes("12 FF FF D9 00 00"), 0, 0},
      {"FF FF FF D9 from the first FF: found at the third", HexBytes("FF FF FF D9 00 00"), 0, 2},
      {"FF FF D9 from the first FF: missed", HexBytes("FF FF D9 00 00"), 0, 0},
      {"marker followed by exactly one byte", HexBytes("11 22 FF D9 33"), 0, 2},
      {"missed by parity, then found at the end", HexBytes("12 FF FF D9"), 0, 2},
  };
  for (const Case& c : cases) {
    const Found found = Seek(c.input, c.E);
    EXPECT_EQ(found.result, c.result) << c.what;
    EXPECT_EQ(found.lines.size(), c.result == c.E ? 0u : 1u) << c.what;
  }
}

TEST(SeekEOI, WritesTheEndOfImageLine) {
  Bytes input(0x2B6, 0x11);
  input[0x2B4] = 0xFF;
  input[0x2B5] = 0xD9;
  const Found found = Seek(input, 0);
  EXPECT_EQ(found.result, 0x2B4);
  EXPECT_EQ(found.lines, (ExifData::TStringList{"ADRS=$0002B4 MARK=$FFD9 EOI"}));
}

// A second image after the main one ends the file in FF D9 as well; the main
// image's own marker must win, or the cut keeps the appended image and its
// metadata.
TEST(SeekEOI, PrefersTheMainImagesMarkerToTheEndOfTheFile) {
  JpegBuilder file;
  file.SOI().DQT();
  const size_t sos = file.Offset();
  file.SOS().Data(500, 7);
  const size_t eoi = file.Offset();
  file.EOI().SOI().APP1(64).APP(2, 30).DQT().SOF0().SOS().Data(400, 9).EOI();
  const Found found = Seek(file.Build(), static_cast<int64_t>(sos));
  EXPECT_EQ(found.result, static_cast<int32_t>(eoi));
  ASSERT_EQ(found.lines.size(), 1u);
  char line[40];
  std::snprintf(line, sizeof line, "ADRS=$%06zX MARK=$FFD9 EOI", eoi);
  EXPECT_EQ(found.lines[0], line);
}

TEST(SeekEOI, ScanAgreesWithTheProbeRules) {
  std::mt19937 random(12345);
  // Inputs full of runs of 0xFF, and sparse ones long enough to pass over
  // whole blocks before the marker.
  const Bytes runs = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xD9, 0x00};
  const Bytes dense = {0xFF, 0xFF, 0xFF, 0xD9, 0xD9, 0x00, 0x12};
  const Bytes sparse = {0xFF, 0xD9, 0x00, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11,
                        0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD};
  for (int round = 0; round < 4000; ++round) {
    const Bytes& alphabet = round % 3 == 0 ? runs : round % 3 == 1 ? dense : sparse;
    Bytes input(3 + random() % (round % 4 < 2 ? 40 : 1200));
    for (uint8_t& byte : input) byte = alphabet[random() % alphabet.size()];
    const int64_t E = static_cast<int64_t>(random() % (input.size() - 2));
    EXPECT_EQ(Seek(input, E).result, ReferenceSeek(input, E)) << "round " << round;
  }
}

// The search passes over whole blocks counted from E: runs of 0xFF across a
// block's end, and markers on either side of it, deep into a long scan, give
// the same find and the same output as anywhere else.
TEST(SeekEOI, LongScansGiveTheSameFindAndOutput) {
  for (size_t runLength = 1; runLength <= 4; ++runLength) {
    for (int64_t shift = -5; shift <= 3; ++shift) {
      JpegBuilder file;
      file.SOI();
      const size_t sos = file.Offset();
      file.SOS().Data(65536 + 100, 3);
      Bytes input = file.Build();
      const size_t runStart = static_cast<size_t>(static_cast<int64_t>(sos + 65536) + shift);
      for (size_t i = 0; i < runLength; ++i) input[runStart + i] = 0xFF;
      input[runStart + runLength] = 0xD9;
      input.insert(input.end(), {0xFF, 0xD9, 0x00});  // a later marker, found when the run is even

      const int64_t expected = ReferenceSeek(input, static_cast<int64_t>(sos));
      EXPECT_EQ(Seek(input, static_cast<int64_t>(sos)).result, expected)
          << runLength << " at " << shift;
      TWalk walk(input, 2);
      walk.run.ReadJpeg(walk.Src);
      EXPECT_EQ(walk.Output(),
                Concat({{0xFF, 0xD8}, velmora::test::Slice(input, sos, expected + 2)}))
          << runLength << " at " << shift;
    }
  }
}
