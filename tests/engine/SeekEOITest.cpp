// SeekEOI: the structure after the start of scan, followed as a decoder does.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "JpegBuilder.h"
#include "StructureWalk.h"
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
  const int32_t result = walk.steps.SeekEOI(walk.Src);
  return {result, walk.Lines()};
}

int64_t ReferenceSeek(const Bytes& in, int64_t E) {
  return static_cast<int64_t>(velmora::test::ReferenceSeekEOI(in, static_cast<size_t>(E)));
}

// A start of scan at offset 0 with a three-byte header, then `rest`.
Bytes Scan(const Bytes& rest) { return Concat({HexBytes("FF DA 00 05 01 02 03"), rest}); }

}  // namespace

TEST(SeekEOI, FollowsTheStructureFromTheStartOfScan) {
  struct Case {
    const char* what;
    Bytes input;
    int32_t result;  // 0: none (E is 0)
  };
  const Bytes data = HexBytes("12 34 FF 00 56 FF D3 78");
  const Case cases[] = {
      {"end right after the data", Scan(Concat({data, HexBytes("FF D9")})), 15},
      {"end followed by bytes", Scan(Concat({data, HexBytes("FF D9 FF D9 00")})), 15},
      {"one fill byte before the end", Scan(Concat({data, HexBytes("FF FF D9 00")})), 16},
      {"three fill bytes before the end", Scan(Concat({data, HexBytes("FF FF FF FF D9 00")})), 18},
      {"FF D9 inside the start of scan header", Concat({HexBytes("FF DA 00 04 FF D9"), data}), 0},
      {"FF D9 inside a comment between scans",
       Scan(Concat({data, HexBytes("FF FE 00 04 FF D9"), HexBytes("FF DA 00 03 01"), data,
                    HexBytes("FF D9")})),
       34},
      {"FF D9 inside a table between scans",
       Scan(Concat({data, HexBytes("FF C4 00 05 00 FF D9"), HexBytes("FF DA 00 03 01"), data,
                    HexBytes("FF D9")})),
       35},
      {"an application segment between scans",
       Scan(Concat({data, HexBytes("FF E1 00 06 FF D9 FF D9"), HexBytes("FF DA 00 03 01"), data,
                    HexBytes("FF D9")})),
       36},
      {"fill before a table between scans",
       Scan(Concat({data, HexBytes("FF FF FF C4 00 04 FF D9"), data, HexBytes("FF D9")})), 31},
      {"the stand-alone TEM is scan data", Scan(Concat({data, HexBytes("FF 01 FF D9")})), 17},
      // Read with a length, the two bytes after them would step over the end.
      {"a restart marker right after a table between scans",
       Scan(Concat({data, HexBytes("FF C4 00 04 00 00 FF D5 00 04 FF D9 00 FF D9")})), 25},
      {"TEM right after a table between scans",
       Scan(Concat({data, HexBytes("FF C4 00 04 00 00 FF 01 00 04 FF D9 00 FF D9")})), 25},
      {"no end at all", Scan(data), 0},
      {"a length past the end", Scan(Concat({data, HexBytes("FF C4 00 09 00 FF D9")})), 0},
      {"a length below 2", Scan(Concat({data, HexBytes("FF C4 00 01 FF D9")})), 0},
      {"a start of image inside the scan", Scan(Concat({data, HexBytes("FF D8 FF D9")})), 0},
      {"fill up to the end", Scan(Concat({data, HexBytes("FF FF FF")})), 0},
  };
  for (const Case& c : cases) {
    const Found found = Seek(c.input, 0);
    EXPECT_EQ(found.result, c.result) << c.what;
    EXPECT_EQ(found.lines.size(), c.result == 0 ? 0u : 1u) << c.what;
    EXPECT_EQ(found.result, ReferenceSeek(c.input, 0)) << c.what;
  }
}

TEST(SeekEOI, WritesTheEndOfImageLine) {
  Bytes input = Scan(Bytes(0x2B6 - 7, 0x11));
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

TEST(SeekEOI, AgreesWithTheByteByByteWalk) {
  std::mt19937 random(12345);
  // Bytes that make markers, fill, stuffing, restarts and short lengths
  // likely; sparse inputs long enough to pass over whole blocks.
  const Bytes dense = {0xFF, 0xFF, 0xD9, 0x00, 0xD0, 0x01, 0xDA,
                       0xFE, 0xC4, 0xD8, 0x02, 0x03, 0x05};
  const Bytes sparse = {0xFF, 0xD9, 0x00, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11,
                        0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD};
  for (int round = 0; round < 4000; ++round) {
    const Bytes& alphabet = round % 2 == 0 ? dense : sparse;
    Bytes input(4 + random() % (round % 4 < 2 ? 40 : 1200));
    for (uint8_t& byte : input) byte = alphabet[random() % alphabet.size()];
    const int64_t E = static_cast<int64_t>(random() % (input.size() - 3));
    input[E] = 0xFF;
    input[E + 1] = 0xDA;
    input[E + 2] = 0x00;
    EXPECT_EQ(Seek(input, E).result, ReferenceSeek(input, E)) << "round " << round;
  }
}

// Restart markers are scan data the block test passes over: one in every
// block, one whose 0xFF ends a block, and one just before the end of image in
// the same block must neither stop the search nor hide the end.
TEST(SeekEOI, RestartMarkersInEveryBlockAreScanData) {
  constexpr int64_t kBlockStart = 7;  // blocks are counted from after the header
  for (const int64_t lastBlockAt : {int64_t{0}, int64_t{100}, int64_t{253}}) {
    Bytes input = Scan(Bytes(4096, 0x11));
    for (int64_t block = 0; block < 14; ++block) {
      const int64_t at = kBlockStart + block * 256 + (block % 2 == 0 ? 255 : 40);
      input[static_cast<size_t>(at)] = 0xFF;
      input[static_cast<size_t>(at + 1)] = static_cast<uint8_t>(0xD0 + block % 8);
    }
    const int64_t end = kBlockStart + 14 * 256 + lastBlockAt;
    input[static_cast<size_t>(end - 2)] = 0xFF;
    input[static_cast<size_t>(end - 1)] = 0xD3;
    input[static_cast<size_t>(end)] = 0xFF;
    input[static_cast<size_t>(end + 1)] = 0xD9;
    EXPECT_EQ(Seek(input, 0).result, end) << lastBlockAt;
    EXPECT_EQ(ReferenceSeek(input, 0), end) << lastBlockAt;
  }
}

// The search passes over whole blocks, and a long scan in chunks, counted
// from the first byte after the start-of-scan header: runs of 0xFF across
// the end of a block or chunk, and markers on either side of it, deep into a
// long scan, give the same find and the same output as anywhere else.
TEST(SeekEOI, LongScansGiveTheSameFindAndOutput) {
  for (const size_t boundary : {size_t{65536}, size_t{256} << 10}) {
    for (size_t runLength = 1; runLength <= 4; ++runLength) {
      for (int64_t shift = -5; shift <= 3; ++shift) {
        JpegBuilder file;
        file.SOI();
        const size_t sos = file.Offset();
        file.SOS();
        const size_t data = file.Offset();
        file.Data(boundary + 100, 3);
        Bytes input = file.Build();
        const size_t runStart = static_cast<size_t>(static_cast<int64_t>(data + boundary) + shift);
        for (size_t i = 0; i < runLength; ++i) input[runStart + i] = 0xFF;
        input[runStart + runLength] = 0xD9;
        input.insert(input.end(), {0xFF, 0xD9, 0x00});  // a later marker, never reached

        const int64_t expected = ReferenceSeek(input, static_cast<int64_t>(sos));
        EXPECT_EQ(Seek(input, static_cast<int64_t>(sos)).result, expected)
            << boundary << ": " << runLength << " at " << shift;
        TWalk walk(input, 2);
        walk.steps.ReadJpeg(walk.Src);
        EXPECT_EQ(walk.Output(),
                  Concat({{0xFF, 0xD8}, velmora::test::Slice(input, sos, expected + 2)}))
            << boundary << ": " << runLength << " at " << shift;
      }
    }
  }
}
