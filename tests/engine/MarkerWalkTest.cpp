// ReadJpeg: the marker table row by row, then the walk's edge cases.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "JpegBuilder.h"
#include "WalkHarness.h"

using ExifData::EStreamReadError;
using velmora::test::Bytes;
using velmora::test::Concat;
using velmora::test::HexBytes;
using velmora::test::JpegBuilder;
using velmora::test::kFreshJFIF;
using velmora::test::kVelmoraComment;
using velmora::test::Slice;
using velmora::test::TWalk;

namespace {

std::string Line(size_t offset, uint16_t marker, const char* label) {
  char text[64];
  std::snprintf(text, sizeof text, "ADRS=$%06zX MARK=$%04X%s", offset, marker, label);
  return text;
}

enum class Action { Copy, Skip };

struct MarkerRow {
  uint16_t marker;
  uint8_t FLAG;
  const char* label;
  Action action;
  bool freshJFIF;  // the walk writes the fixed JFIF segment
};

// The first segment after FF D8 is the one under test; SOS and data follow.
void CheckRow(const MarkerRow& row) {
  const Bytes segment = JpegBuilder().Segment(row.marker, 4).Build();
  const Bytes scan = JpegBuilder().SOS().Data(20).Build();
  const Bytes input = Concat({{0xFF, 0xD8}, segment, scan});
  TWalk walk(input, ExifData::TStripOptions{row.FLAG});
  walk.steps.ReadJpeg(walk.Src);

  const Bytes expected = Concat({{0xFF, 0xD8},
                                 row.freshJFIF ? kFreshJFIF : Bytes{},
                                 row.action == Action::Copy ? segment : Bytes{},
                                 (row.FLAG & 8) ? kVelmoraComment : Bytes{},
                                 scan});
  const std::string what = Line(2, row.marker, row.label) + " FLAG=" + std::to_string(row.FLAG);
  EXPECT_EQ(walk.Output(), expected) << what;
  ASSERT_GE(walk.Lines().size(), 2u) << what;
  EXPECT_EQ(walk.Lines()[0], Line(2, row.marker, row.label)) << what;
  EXPECT_EQ(walk.Lines()[1], Line(2 + segment.size(), 0xFFDA, " SOS")) << what;
}

}  // namespace

TEST(ReadJpeg, MarkerTableLabelsAndActions) {
  const MarkerRow rows[] = {
      {0xFFE0, 0, " APP0", Action::Skip, false},
      {0xFFE0, 1, " APP0", Action::Skip, true},
      {0xFFE0, 1 | 16, " APP0", Action::Copy, false},
      {0xFFE0, 16, " APP0", Action::Skip, false},
      {0xFFE1, 63, " APP1", Action::Skip, true},
      {0xFFE2, 63, " APP2", Action::Skip, true},
      {0xFFDB, 0, " DQI", Action::Copy, false},
      {0xFFC4, 0, " DHI", Action::Copy, false},
      {0xFFDD, 0, " DRI", Action::Copy, false},
      {0xFFC0, 0, " SOF", Action::Copy, false},
      {0xFFEC, 63, " Ducky", Action::Skip, true},
      {0xFFED, 63, " Photo", Action::Skip, true},
      {0xFFEE, 32, " Adobe", Action::Copy, false},
      {0xFFEE, 63 & ~32, " Adobe", Action::Skip, true},
      {0xFFFE, 63, " COM", Action::Skip, true},
  };
  for (const MarkerRow& row : rows) CheckRow(row);
}

TEST(ReadJpeg, OtherApplicationSegmentsAreDroppedWithoutLabel) {
  for (uint16_t marker = 0xFFE3; marker <= 0xFFEF; ++marker) {
    if (marker >= 0xFFEC && marker <= 0xFFEE) continue;  // labelled rows
    CheckRow({marker, 63, "", Action::Skip, true});
  }
}

TEST(ReadJpeg, EveryOtherMarkerIsCopiedWithItsLengthAndNoLabel) {
  // Frame headers other than baseline, JPG, DAC, EOI, DNL, DHP, EXP, JPG0..13,
  // reserved values and FF00.
  const uint16_t markers[] = {0xFFC1, 0xFFC2, 0xFFC3, 0xFFC5, 0xFFC6, 0xFFC7, 0xFFC8, 0xFFC9,
                              0xFFCA, 0xFFCB, 0xFFCC, 0xFFCD, 0xFFCE, 0xFFCF, 0xFFD9, 0xFFDC,
                              0xFFDE, 0xFFDF, 0xFFF0, 0xFFFD, 0xFF02, 0xFFBF, 0xFF00};
  for (uint16_t marker : markers) CheckRow({marker, 0, "", Action::Copy, false});
}

// RST0..7 and TEM carry no length: each is stepped over as two bytes, with
// its line, and left out. Read with a length, the two bytes after it (the
// next segment's marker) would be taken as one and the walk would copy from
// the middle of that segment. Also after an odd run of fill bytes.
TEST(ReadJpeg, MarkersWithoutLengthAreSteppedOverAndLeftOut) {
  const Bytes app1 = JpegBuilder().APP1(10).Build();
  const Bytes dqt = JpegBuilder().DQT().Build();
  const Bytes scan = JpegBuilder().SOS().Data(10).Build();
  for (uint16_t code : {0xFF01, 0xFFD0, 0xFFD1, 0xFFD2, 0xFFD3, 0xFFD4, 0xFFD5, 0xFFD6, 0xFFD7}) {
    const Bytes alone = {0xFF, static_cast<uint8_t>(code)};
    const Bytes filled = {0xFF, 0xFF, static_cast<uint8_t>(code)};
    const Bytes input = Concat({{0xFF, 0xD8}, alone, app1, alone, dqt, filled, scan});
    TWalk walk(input, 0);
    walk.steps.ReadJpeg(walk.Src);
    const std::string what = Line(2, code, "");
    EXPECT_EQ(walk.Output(), Concat({{0xFF, 0xD8}, dqt, scan})) << what;
    const size_t dqtAt = 4 + app1.size() + 2;
    const size_t fillAt = dqtAt + dqt.size();
    EXPECT_EQ(walk.Lines(),
              (ExifData::TStringList{Line(2, code, ""), Line(4, 0xFFE1, " APP1"),
                                     Line(4 + app1.size(), code, ""), Line(dqtAt, 0xFFDB, " DQI"),
                                     Line(fillAt, 0xFFFF, ""), Line(fillAt + 1, code, ""),
                                     Line(fillAt + 3, 0xFFDA, " SOS")}))
        << what;
    EXPECT_EQ(walk.steps.Damage(), ExifData::TDamage::None) << what;
  }
}

// A second start of image before the first scan: two images run into one
// another, and nothing tells which header belongs to the picture. The walk
// ends there and the file must not be written.
TEST(ReadJpeg, SecondStartOfImageBeforeTheScanIsDamage) {
  const Bytes app1 = JpegBuilder().APP1(10).Build();
  const Bytes input =
      Concat({{0xFF, 0xD8}, app1, JpegBuilder().SOI().DQT().SOS().Data(10).Build()});
  TWalk walk(input, 2 | 8);
  walk.steps.ReadJpeg(walk.Src);
  EXPECT_EQ(walk.Lines(),
            (ExifData::TStringList{Line(2, 0xFFE1, " APP1"), Line(2 + app1.size(), 0xFFD8, "")}));
  EXPECT_EQ(walk.steps.Damage(), ExifData::TDamage::SecondSOI);
}

// Any number of fill bytes 0xFF may stand before a marker. The walk reads
// pairs: an even run keeps them aligned; after an odd run the marker's own 0xFF
// ends the last fill pair, and the marker is read again from that 0xFF, with a
// line at its offset, and walked by its rule (here: the Exif segment dropped).
TEST(ReadJpeg, FillBytesOfAnyCountBeforeAMarker) {
  const Bytes app1 = JpegBuilder().APP1(10).Build();
  const Bytes dqt = JpegBuilder().DQT().Build();
  const Bytes scan = JpegBuilder().SOS().Data(10).Build();
  struct Case {
    size_t fillBytes;
    ExifData::TStringList lines;
  };
  const Case cases[] = {
      {1,
       {"ADRS=$000002 MARK=$FFFF", "ADRS=$000003 MARK=$FFE1 APP1", "ADRS=$000011 MARK=$FFDB DQI",
        "ADRS=$000056 MARK=$FFDA SOS"}},
      {2,
       {"ADRS=$000002 MARK=$FFFF", "ADRS=$000004 MARK=$FFE1 APP1", "ADRS=$000012 MARK=$FFDB DQI",
        "ADRS=$000057 MARK=$FFDA SOS"}},
      {3,
       {"ADRS=$000002 MARK=$FFFF", "ADRS=$000004 MARK=$FFFF", "ADRS=$000005 MARK=$FFE1 APP1",
        "ADRS=$000013 MARK=$FFDB DQI", "ADRS=$000058 MARK=$FFDA SOS"}},
  };
  for (const Case& c : cases) {
    TWalk walk(Concat({{0xFF, 0xD8}, Bytes(c.fillBytes, 0xFF), app1, dqt, scan}), 0);
    walk.steps.ReadJpeg(walk.Src);
    EXPECT_EQ(walk.Output(), Concat({{0xFF, 0xD8}, dqt, scan})) << c.fillBytes << " fill bytes";
    EXPECT_EQ(walk.Lines(), c.lines) << c.fillBytes << " fill bytes";
    EXPECT_EQ(walk.steps.Damage(), ExifData::TDamage::None);
  }
}

TEST(ReadJpeg, NotAMarkerCopiesTheRestWhateverTheOptions) {
  const Bytes input =
      JpegBuilder().SOI().DQT().Bytes({0x12, 0x34}).SOS().Data(8).EOI().Bytes({1, 2}).Build();
  TWalk walk(input, 2 | 8);
  walk.steps.ReadJpeg(walk.Src);
  EXPECT_EQ(walk.Output(), Concat({{0xFF, 0xD8}, Slice(input, 2, input.size())}));
  EXPECT_EQ(walk.Lines().back(), "ADRS=$000047 MARK=$1234 is not marker. Terminated.");
  EXPECT_EQ(walk.steps.Damage(), ExifData::TDamage::NotMarker);
}

TEST(ReadJpeg, OnlyTheStartOfImage) {
  TWalk bare({0xFF, 0xD8}, 0);
  bare.steps.ReadJpeg(bare.Src);
  EXPECT_EQ(bare.Output(), HexBytes("FF D8"));
  EXPECT_TRUE(bare.Lines().empty());

  // One byte after FF D8 cannot be an APP0 for the look-ahead.
  for (const Bytes& input : {Bytes{0xFF, 0xD8}, Bytes{0xFF, 0xD8, 0xFF}}) {
    TWalk jfif(input, 1 | 16);
    jfif.steps.ReadJpeg(jfif.Src);
    EXPECT_EQ(jfif.Output(), Concat({{0xFF, 0xD8}, kFreshJFIF}));
    EXPECT_TRUE(jfif.Lines().empty());
  }
}

TEST(ReadJpeg, WithoutStartOfScanTheLastTwoBytesAreNotCopied) {
  const Bytes dqt = JpegBuilder().DQT().Build();
  TWalk walk(Concat({{0xFF, 0xD8}, dqt, {0xFF, 0xD9}}), 8 | 2);
  walk.steps.ReadJpeg(walk.Src);
  EXPECT_EQ(walk.Output(), Concat({{0xFF, 0xD8}, dqt}));  // no EOI, no comment
  EXPECT_EQ(walk.Lines(), (ExifData::TStringList{"ADRS=$000002 MARK=$FFDB DQI"}));
}

TEST(ReadJpeg, TypicalPhotoKeepsWhatADecoderNeeds) {
  JpegBuilder photo;
  photo.SOI();
  const size_t app0 = photo.Offset();
  photo.APP0();
  const size_t app1 = photo.Offset();
  photo.APP1(100);
  const size_t dqt = photo.Offset();
  photo.DQT();
  const size_t sof = photo.Offset();
  photo.SOF0();
  const size_t dht = photo.Offset();
  photo.DHT();
  const size_t sos = photo.Offset();
  photo.SOS().Data(300).EOI().Bytes({0xAB, 0xCD});
  const Bytes input = photo.Build();

  TWalk plain(input, 0);
  plain.steps.ReadJpeg(plain.Src);
  EXPECT_EQ(plain.Output(),
            Concat({{0xFF, 0xD8}, Slice(input, dqt, sos), Slice(input, sos, input.size())}));
  EXPECT_EQ(plain.Lines(),
            (ExifData::TStringList{Line(app0, 0xFFE0, " APP0"), Line(app1, 0xFFE1, " APP1"),
                                   Line(dqt, 0xFFDB, " DQI"), Line(sof, 0xFFC0, " SOF"),
                                   Line(dht, 0xFFC4, " DHI"), Line(sos, 0xFFDA, " SOS")}));

  // Own APP0 kept, and the JFXX extension after it too.
  const Bytes jfxx = JpegBuilder().APP(0, 10).Build();
  const Bytes withJfxx = Concat({Slice(input, 0, app1), jfxx, Slice(input, app1, input.size())});
  TWalk own(withJfxx, 1 | 16);
  own.steps.ReadJpeg(own.Src);
  EXPECT_EQ(
      own.Output(),
      Concat({{0xFF, 0xD8}, Slice(input, app0, app1), jfxx, Slice(input, dqt, input.size())}));

  TWalk fresh(input, 1);
  fresh.steps.ReadJpeg(fresh.Src);
  EXPECT_EQ(fresh.Output(), Concat({{0xFF, 0xD8}, kFreshJFIF, Slice(input, dqt, input.size())}));

  // End-of-image cut: the trailing bytes go, and the search's line follows SOS.
  TWalk cut(input, 2);
  cut.steps.ReadJpeg(cut.Src);
  EXPECT_EQ(cut.Output(), Concat({{0xFF, 0xD8}, Slice(input, dqt, input.size() - 2)}));
  EXPECT_EQ(cut.Lines().back(), Line(input.size() - 4, 0xFFD9, " EOI"));
  EXPECT_EQ(cut.Lines()[cut.Lines().size() - 2], Line(sos, 0xFFDA, " SOS"));

  // The comment stands right before SOS, and the input's own comment is gone.
  const Bytes com = JpegBuilder().COM("old").Build();
  const Bytes withCom = Concat({Slice(input, 0, sof), com, Slice(input, sof, input.size())});
  TWalk comment(withCom, 8);
  comment.steps.ReadJpeg(comment.Src);
  EXPECT_EQ(comment.Output(), Concat({{0xFF, 0xD8},
                                      Slice(input, dqt, sos),
                                      kVelmoraComment,
                                      Slice(input, sos, input.size())}));
}

TEST(ReadJpeg, FirstSegmentNotApp0GetsTheFreshOneAndDropsLaterApp0) {
  const Bytes tail = JpegBuilder().DQT().SOS().Data(16).EOI().Build();
  const Bytes input = Concat({JpegBuilder().SOI().APP1(20).APP0().Build(), tail});
  TWalk walk(input, 1 | 16);
  walk.steps.ReadJpeg(walk.Src);
  EXPECT_EQ(walk.Output(), Concat({{0xFF, 0xD8}, kFreshJFIF, tail}));
}

TEST(ReadJpeg, ProgressiveStopsAtTheFirstScan) {
  JpegBuilder photo;
  photo.SOI().DQT();
  const size_t sof2 = photo.Offset();
  photo.SOF(0xFFC2).DHT();
  const size_t sos = photo.Offset();
  photo.SOS().Data(50).DHT().APP1(30).COM("between scans").SOS().Data(50).EOI();
  const Bytes input = photo.Build();
  TWalk walk(input, 0);
  walk.steps.ReadJpeg(walk.Src);
  EXPECT_EQ(walk.Output(), input);  // nothing before the first scan is metadata
  EXPECT_EQ(walk.Lines()[1], Line(sof2, 0xFFC2, ""));
  EXPECT_EQ(walk.Lines().back(), Line(sos, 0xFFDA, " SOS"));
}

TEST(ReadJpeg, ZeroLengthKeptSegmentEndsInNotAMarker) {
  const Bytes input = JpegBuilder().SOI().SegmentWithLength(0xFFDB, 0, 0).Data(20).Build();
  TWalk walk(input, 0);
  walk.steps.ReadJpeg(walk.Src);
  EXPECT_EQ(walk.Output(), input);
  EXPECT_EQ(walk.Lines(),
            (ExifData::TStringList{"ADRS=$000002 MARK=$FFDB DQI",
                                   "ADRS=$000004 MARK=$0000 is not marker. Terminated."}));
}

TEST(ReadJpeg, SegmentsRunningPastTheEnd) {
  const Bytes dqt = JpegBuilder().DQT().Build();
  struct Case {
    const char* what;
    Bytes tail;  // after FF D8 and a DQT
    bool throws;
    bool skippedPastEnd;
  };
  const Case cases[] = {
      {"kept segment one byte short", JpegBuilder().SegmentWithLength(0xFFC4, 11, 8).Build(), true,
       false},
      {"kept segment with cut length", {0xFF, 0xC4, 0x00}, true, false},
      {"skipped APP1 past the end", JpegBuilder().SegmentWithLength(0xFFE1, 900, 20).Build(), false,
       true},
      {"skipped APP1 with cut length", {0xFF, 0xE1, 0x03}, false, true},
      {"skipped APP1 ending at the end", JpegBuilder().APP1(20).Build(), false, false},
  };
  for (const Case& c : cases) {
    TWalk walk(Concat({{0xFF, 0xD8}, dqt, c.tail}), 0);
    bool threw = false;
    try {
      walk.steps.ReadJpeg(walk.Src);
    } catch (const EStreamReadError&) {
      threw = true;
    }
    EXPECT_EQ(threw, c.throws) << c.what;
    EXPECT_EQ(walk.steps.SkippedPastEnd(), c.skippedPastEnd) << c.what;
    EXPECT_EQ(walk.Output(), Concat({{0xFF, 0xD8}, dqt})) << c.what;
    ASSERT_EQ(walk.Lines().size(), 2u) << c.what;  // the failing segment's line is there
    EXPECT_EQ(walk.Lines()[1].substr(0, 12), "ADRS=$000047") << c.what;
  }
}
