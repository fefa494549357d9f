// The walk's output as ranges of the input and bytes of our own.
#include <gtest/gtest.h>

#include "WalkHarness.h"
#include "engine/StripOutput.h"

using ExifData::EStreamReadError;
using ExifData::TStripOutput;
using velmora::test::Bytes;
using velmora::test::StreamOf;

TEST(StripOutput, KeepsOrderJoinsNeighboursAndCopiesNoInput) {
  ExifData::TMemoryStream input = StreamOf({10, 11, 12, 13, 14, 15, 16, 17}, 1);
  TStripOutput out;
  out.Write("\xFF\xD8", 2);
  out.Write("\x01", 1);    // own bytes that follow own bytes join
  out.CopyFrom(input, 2);  // 11 12
  out.CopyFrom(input, 1);  // 13, right after: joins the range
  input.SetPosition(5);    // 14 left out
  out.CopyFrom(input, 2);  // 15 16
  out.Write("\x02", 1);
  EXPECT_EQ(input.Position(), 7);
  EXPECT_EQ(out.Size(), 9);
  EXPECT_EQ(out.Bytes(), (Bytes{0xFF, 0xD8, 1, 11, 12, 13, 15, 16, 2}));

  const ExifData::TBytePieces pieces = out.Pieces();
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[1].data(), input.Data() + 1) << "a range points into the input";
  EXPECT_EQ(pieces[1].size(), 3u);
  EXPECT_EQ(pieces[2].data(), input.Data() + 5);

  const Bytes same{0xFF, 0xD8, 1, 11, 12, 13, 15, 16, 2};
  EXPECT_TRUE(out.Equals(same.data(), same.size()));
  for (size_t i = 0; i < same.size(); ++i) {
    Bytes other = same;
    other[i] ^= 1;
    EXPECT_FALSE(out.Equals(other.data(), other.size())) << "byte " << i;
  }
  EXPECT_FALSE(out.Equals(same.data(), same.size() - 1));

  out.Clear();
  EXPECT_EQ(out.Size(), 0);
  EXPECT_TRUE(out.Pieces().empty());
}

TEST(StripOutput, CopyThatRunsShortThrowsAndAddsNothing) {
  for (const int64_t position : {int64_t{2}, int64_t{5}, int64_t{9}, int64_t{-1}}) {
    SCOPED_TRACE(position);
    ExifData::TMemoryStream input = StreamOf({1, 2, 3, 4, 5}, position);
    TStripOutput out;
    out.Write("x", 1);
    EXPECT_THROW(out.CopyFrom(input, 4), EStreamReadError);
    EXPECT_EQ(out.Bytes(), (Bytes{'x'}));
    EXPECT_EQ(input.Position(), position);
    out.CopyFrom(input, 0);  // nothing asked: no error
    EXPECT_EQ(out.Size(), 1);
  }
}
