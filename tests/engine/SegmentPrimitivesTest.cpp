// SkipSegment and WriteSegment, entered just after the two marker bytes.
#include <gtest/gtest.h>

#include "JpegBuilder.h"
#include "WalkHarness.h"

using ExifData::EStreamReadError;
using velmora::test::Bytes;
using velmora::test::JpegBuilder;
using velmora::test::Slice;
using velmora::test::TWalk;

namespace {

// FF D8, then a segment FF DB with length field L and `body` bytes after it.
Bytes SegmentInput(uint16_t L, size_t body) {
  return JpegBuilder().SOI().SegmentWithLength(0xFFDB, L, body).Build();
}

}  // namespace

TEST(SkipSegment, MovesByTheLengthLessTwo) {
  struct Case {
    uint16_t L;
    int64_t positionAfter;  // the marker is at 2, its length field ends at 6
  };
  for (const Case c : {Case{2, 6}, Case{3, 7}, Case{65535, 6 + 65533}}) {
    TWalk walk(SegmentInput(c.L, 70000), 0);
    walk.Src.SetPosition(4);
    walk.steps.SkipSegment(walk.Src);
    EXPECT_EQ(walk.Src.Position(), c.positionAfter) << "L=" << c.L;
    EXPECT_EQ(walk.run.Stripped().Size(), 0);
    EXPECT_EQ(walk.steps.Damage(), ExifData::TDamage::None);
  }
}

// Past the end, or a length below 2 (no segment is that short; a skip by the
// wrapped length would land deep in the image data): damage, no error.
TEST(SkipSegment, DamageIsNoErrorButIsReported) {
  using ExifData::TDamage;
  struct Case {
    uint16_t L;
    size_t body;
    TDamage damage;
    int64_t positionAfter;
  };
  for (const Case c :
       {Case{10, 8, TDamage::None, 14}, Case{10, 7, TDamage::SkippedPastEnd, 14},
        Case{0, 70000, TDamage::ShortLength, 6}, Case{1, 70000, TDamage::ShortLength, 6}}) {
    TWalk walk(SegmentInput(c.L, c.body), 0);
    walk.Src.SetPosition(4);
    walk.steps.SkipSegment(walk.Src);
    EXPECT_EQ(walk.steps.Damage(), c.damage) << "L=" << c.L << " body=" << c.body;
    EXPECT_EQ(walk.Src.Position(), c.positionAfter) << "L=" << c.L << " body=" << c.body;
  }
}

TEST(WriteSegment, CopiesLengthPlusTwoBytesFromTheMarker) {
  struct Case {
    uint16_t L;
    size_t copied;
    int64_t positionAfter;
  };
  // L = 0 copies the marker alone and stops at the length field; L = 1 takes
  // the first length byte with it.
  for (const Case c :
       {Case{2, 4, 6}, Case{16, 18, 20}, Case{65535, 65537, 65539}, Case{0, 2, 4}, Case{1, 3, 5}}) {
    const Bytes input = SegmentInput(c.L, 70000);
    TWalk walk(input, 0);
    walk.Src.SetPosition(4);
    walk.steps.WriteSegment(walk.Src);
    EXPECT_EQ(walk.Output(), Slice(input, 2, 2 + c.copied)) << "L=" << c.L;
    EXPECT_EQ(walk.Src.Position(), c.positionAfter) << "L=" << c.L;
  }
}

TEST(WriteSegment, EndingExactlyAtTheEndIsCopiedAndOneByteMoreFails) {
  const Bytes exact = SegmentInput(10, 8);
  TWalk whole(exact, 0);
  whole.Src.SetPosition(4);
  whole.steps.WriteSegment(whole.Src);
  EXPECT_EQ(whole.Output(), Slice(exact, 2, exact.size()));

  TWalk cut(SegmentInput(11, 8), 0);
  cut.Src.SetPosition(4);
  EXPECT_THROW(cut.steps.WriteSegment(cut.Src), EStreamReadError);
}

// A marker three bytes before the end: one length byte is left. The length
// counts as cut by the end: a copy fails, a skip ends the walk as damaged.
TEST(SegmentPrimitives, LengthFieldCutByTheEnd) {
  const Bytes input = JpegBuilder().SOI().Bytes({0xFF, 0xDB, 0x00}).Build();
  TWalk copy(input, 0);
  copy.Src.SetPosition(4);
  EXPECT_THROW(copy.steps.WriteSegment(copy.Src), EStreamReadError);

  TWalk skip(input, 0);
  skip.Src.SetPosition(4);
  skip.steps.SkipSegment(skip.Src);
  EXPECT_TRUE(skip.steps.SkippedPastEnd());
  EXPECT_GE(skip.Src.Position(), skip.Src.Size());
  EXPECT_EQ(skip.run.Stripped().Size(), 0);
}
