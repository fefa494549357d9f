// The two settings-only options: the orientation kept as a minimal Exif
// segment, and the ICC profile's APP2 chunks kept as they stand.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "JpegBuilder.h"
#include "WalkHarness.h"
#include "engine/ExifOrientation.h"

using ExifData::flKeepICC;
using ExifData::flKeepOrientation;
using velmora::test::Bytes;
using velmora::test::Concat;
using velmora::test::ExifBuilder;
using velmora::test::ExifWithOrientation;
using velmora::test::HexBytes;
using velmora::test::JpegBuilder;
using velmora::test::kFreshJFIF;
using velmora::test::TWalk;

namespace {

constexpr bool kBig = true;
constexpr bool kLittle = false;
constexpr uint16_t kOrientation = 0x0112;
constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;

const Bytes kScan = JpegBuilder().SOS().Data(30).EOI().Build();

Bytes Walked(const Bytes& input, ExifData::TStripOptions FLAG,
             ExifData::TStringList* lines = nullptr) {
  TWalk walk(input, FLAG);
  walk.steps.ReadJpeg(walk.Src);
  if (lines) *lines = walk.Lines();
  return walk.Output();
}

Bytes ExifSegment(const Bytes& body) { return JpegBuilder().Segment(0xFFE1, body).Build(); }

Bytes IccChunk(uint8_t number, uint8_t count, size_t profileBytes) {
  Bytes body = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, number, count};
  for (size_t i = 0; i < profileBytes; ++i) body.push_back(static_cast<uint8_t>(number + i % 200));
  return JpegBuilder().Segment(0xFFE2, body).Build();
}

}  // namespace

TEST(OrientationSegment, CarriesOnlyTheOrientationInTheInputsByteOrder) {
  EXPECT_EQ(ExifData::OrientationSegment({kBig, 6}),
            HexBytes("FFE1 0022 457869660000"        // APP1, length 34, "Exif\0\0"
                     "4D4D 002A 00000008"            // MM, 42, IFD0 at 8
                     "0001"                          // one entry
                     "0112 0003 00000001 0006 0000"  // Orientation, SHORT, 1, 6
                     "00000000"));                   // no next IFD
  EXPECT_EQ(ExifData::OrientationSegment({kLittle, 8}), HexBytes("FFE1 0022 457869660000"
                                                                 "4949 2A00 08000000"
                                                                 "0100"
                                                                 "1201 0300 01000000 0800 0000"
                                                                 "00000000"));
}

// Each body is read on its own and as the Exif of a whole file: a row without
// a value must leave the walk's output as it is without the option.
TEST(ReadExifOrientation, TakesIFD0sOrientationAndRefusesAnythingMalformed) {
  struct Row {
    const char* what;
    Bytes body;
    std::optional<uint16_t> value;
  };
  const auto ifd0 = [](bool big, uint16_t type, uint32_t count, uint32_t value) {
    return ExifBuilder(big).U16(1).Entry(kOrientation, type, count, value).U32(0).Build();
  };
  Bytes notExif = ExifWithOrientation(kBig, 6);
  notExif[5] = 1;
  Bytes mixedOrder = ExifWithOrientation(kBig, 6);
  mixedOrder[7] = 'I';
  Bytes cut = ExifWithOrientation(kLittle, 6);
  cut.resize(6 + 8 + 2 + 12 + 6);  // ends inside the Orientation entry
  const Row rows[] = {
      {"camera, big-endian", ExifWithOrientation(kBig, 6), 6},
      {"camera, little-endian", ExifWithOrientation(kLittle, 3), 3},
      {"value 8", ifd0(kBig, kShort, 1, 8), 8},
      {"a single LONG", ifd0(kLittle, kLong, 1, 5), 5},
      {"upright needs nothing", ExifWithOrientation(kBig, 1), {}},
      {"value 0", ifd0(kBig, kShort, 1, 0), {}},
      {"value 9", ifd0(kLittle, kShort, 1, 9), {}},
      {"a LONG beyond 16 bits", ifd0(kLittle, kLong, 1, 0x10006), {}},
      {"no Orientation", ExifBuilder(kBig).U16(1).Entry(0x010F, 2, 4, 0).U32(0).Build(), {}},
      {"not Exif\\0\\0", notExif, {}},
      {"byte order MI", mixedOrder, {}},
      {"TIFF magic 43", HexBytes("457869660000 4D4D 002B 00000008 0000 00000000"), {}},
      {"too short for a TIFF header", HexBytes("457869660000 4D4D 002A"), {}},
      {"IFD0 offset past the end", ExifBuilder(kBig, 400).U16(0).U32(0).Build(), {}},
      {"IFD0 offset that wraps", ExifBuilder(kLittle, 0xFFFFFFFE).U16(0).U32(0).Build(), {}},
      {"entry count past the end", ExifBuilder(kBig).U16(0xFFFF).Build(), {}},
      {"cut inside the entry", cut, {}},
      {"next IFD offset past the end",
       ExifBuilder(kBig).U16(1).Entry(kOrientation, kShort, 1, 6).U32(5000).Build(),
       {}},
      {"IFD0 leads back to itself",
       ExifBuilder(kLittle).U16(1).Entry(kOrientation, kShort, 1, 6).U32(8).Build(),
       {}},
      {"IFD1 leads back to IFD0",
       ExifBuilder(kBig).U16(1).Entry(kOrientation, kShort, 1, 6).U32(26).U16(0).U32(8).Build(),
       {}},
      {"count that overflows as SHORTs", ifd0(kBig, kShort, 0x80000001, 6), {}},
      {"count of two", ifd0(kLittle, kShort, 2, 6), {}},
      {"type ASCII", ifd0(kBig, 2, 1, 6), {}},
  };
  const Bytes header = JpegBuilder().SOI().APP0().Build();
  const Bytes tables = JpegBuilder().DQT().SOF0().DHT().Build();
  for (const Row& row : rows) {
    const auto read = ExifData::ReadExifOrientation(row.body);
    EXPECT_EQ(read ? std::optional<uint16_t>(read->value) : std::nullopt, row.value) << row.what;

    const Bytes input = Concat({header, ExifSegment(row.body), tables, kScan});
    const Bytes plain = Walked(input, ExifData::TStripOptions{42});
    const Bytes kept = Walked(input, ExifData::TStripOptions{42} | flKeepOrientation);
    if (!row.value) {
      EXPECT_EQ(kept, plain) << row.what;
      continue;
    }
    const bool big = row.body[6] == 'M';
    EXPECT_EQ(kept, Concat({{0xFF, 0xD8},
                            ExifData::OrientationSegment({big, *row.value}),
                            Bytes(plain.begin() + 2, plain.end())}))
        << row.what;
  }
}

TEST(ReadJpeg, KeptOrientationFollowsTheJFIFSegmentAndAddsNoTraceLine) {
  const Bytes exif = ExifSegment(ExifWithOrientation(kBig, 6));
  const Bytes segment = ExifData::OrientationSegment({kBig, 6});
  const Bytes app0 = JpegBuilder().APP0().Build();
  const Bytes jfxx = JpegBuilder().Segment(0xFFE0, {'J', 'F', 'X', 'X', 0, 0x10}).Build();
  const Bytes dqt = JpegBuilder().DQT().Build();
  const Bytes xmp = JpegBuilder().Segment(0xFFE1, {'h', 't', 't', 'p', ':', '/', '/'}).Build();
  const Bytes input = Concat({{0xFF, 0xD8}, app0, jfxx, xmp, exif, dqt, kScan});
  struct Row {
    const char* what;
    ExifData::TStripOptions FLAG;
    Bytes expected;
  };
  const Row rows[] = {
      {"no JFIF segment", ExifData::TStripOptions{0}, Concat({{0xFF, 0xD8}, segment, dqt, kScan})},
      {"fresh JFIF", ExifData::TStripOptions{1},
       Concat({{0xFF, 0xD8}, kFreshJFIF, segment, dqt, kScan})},
      {"own APP0 and its extension kept", ExifData::TStripOptions{1 | 16},
       Concat({{0xFF, 0xD8}, app0, jfxx, segment, dqt, kScan})},
  };
  for (const Row& row : rows) {
    ExifData::TStringList without;
    ExifData::TStringList with;
    Walked(input, row.FLAG, &without);
    EXPECT_EQ(Walked(input, row.FLAG | flKeepOrientation, &with), row.expected) << row.what;
    EXPECT_EQ(with, without) << row.what;
    // A file stripped again keeps its orientation and stays as it is.
    EXPECT_EQ(Walked(row.expected, row.FLAG | flKeepOrientation), row.expected) << row.what;
  }
}

TEST(ReadJpeg, OnlyTheFirstExifSegmentBeforeTheScanCounts) {
  const Bytes noOrientation =
      ExifSegment(ExifBuilder(kBig).U16(1).Entry(0x010F, 2, 4, 0).U32(0).Build());
  const Bytes six = ExifSegment(ExifWithOrientation(kLittle, 6));
  const Bytes dqt = JpegBuilder().DQT().Build();
  const Bytes afterScan = JpegBuilder().SOS().Data(10).Build();
  // The first Exif has none: the second is not consulted.
  const Bytes first = Concat({{0xFF, 0xD8}, noOrientation, six, dqt, kScan});
  EXPECT_EQ(Walked(first, flKeepOrientation), Concat({{0xFF, 0xD8}, dqt, kScan}));
  // An Exif segment after the first scan is scan data to the walk.
  const Bytes late = Concat({{0xFF, 0xD8}, dqt, afterScan, six, kScan});
  EXPECT_EQ(Walked(late, flKeepOrientation), late);
  // Only the header is searched for it, fill bytes included.
  const Bytes filled = Concat({{0xFF, 0xD8, 0xFF, 0xFF}, six, dqt, kScan});
  EXPECT_EQ(Walked(filled, flKeepOrientation),
            Concat({{0xFF, 0xD8}, ExifData::OrientationSegment({kLittle, 6}), dqt, kScan}));
}

TEST(ReadJpeg, KeptICCProfileChunksStayInOrderAndOtherAPP2Go) {
  const Bytes icc1 = IccChunk(1, 3, 40);
  const Bytes icc2 = IccChunk(2, 3, 65533 - 14);  // the longest chunk a segment holds
  const Bytes icc3 = IccChunk(3, 3, 7);
  const Bytes mpf = JpegBuilder().Segment(0xFFE2, {'M', 'P', 'F', 0, 'I', 'I', '*', 0}).Build();
  const Bytes flashPix = JpegBuilder().Segment(0xFFE2, {'F', 'P', 'X', 'R', 0, 0}).Build();
  const Bytes noNul =
      JpegBuilder().Segment(0xFFE2, Bytes(icc1.begin() + 4, icc1.begin() + 15)).Build();
  const Bytes dqt = JpegBuilder().DQT().Build();
  const Bytes input = Concat({{0xFF, 0xD8}, icc1, mpf, icc2, dqt, flashPix, noNul, icc3, kScan});

  ExifData::TStringList without;
  ExifData::TStringList with;
  EXPECT_EQ(Walked(input, ExifData::flNone, &without), Concat({{0xFF, 0xD8}, dqt, kScan}));
  EXPECT_EQ(Walked(input, flKeepICC, &with), Concat({{0xFF, 0xD8}, icc1, icc2, dqt, icc3, kScan}));
  EXPECT_EQ(with, without);
}

TEST(ReadJpeg, KeptICCChunkCutByTheEndIsSkippedAsDamage) {
  Bytes input = Concat({JpegBuilder().SOI().DQT().Build(), IccChunk(1, 1, 100)});
  input.resize(input.size() - 10);
  TWalk walk(input, flKeepICC);
  EXPECT_NO_THROW(walk.steps.ReadJpeg(walk.Src));
  EXPECT_EQ(walk.Output(), JpegBuilder().SOI().DQT().Build());
  EXPECT_TRUE(walk.steps.SkippedPastEnd());
}
