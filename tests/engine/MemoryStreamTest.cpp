#include <gtest/gtest.h>

#include <cstring>

#include "ExpectThrowMessage.h"
#include "WalkHarness.h"
#include "engine/MemoryStream.h"

using ExifData::EStreamReadError;
using ExifData::TMemoryStream;
using velmora::test::Bytes;
using velmora::test::StreamOf;

TEST(MemoryStream, ReadDeliversWhatIsLeftAndLeavesTheRestOfTheDestination) {
  struct Case {
    int64_t position;
    size_t asked;
    size_t delivered;
    Bytes destination;  // starts as AA AA AA AA
    int64_t positionAfter;
  };
  const Case cases[] = {
      {0, 3, 3, {1, 2, 3, 0xAA}, 3},
      {3, 4, 2, {4, 5, 0xAA, 0xAA}, 5},        // short read at the end
      {5, 2, 0, {0xAA, 0xAA, 0xAA, 0xAA}, 5},  // at the end
      {9, 2, 0, {0xAA, 0xAA, 0xAA, 0xAA}, 9},  // beyond the end
  };
  for (const Case& c : cases) {
    TMemoryStream stream = StreamOf({1, 2, 3, 4, 5}, c.position);
    Bytes into(4, 0xAA);
    EXPECT_EQ(stream.Read(into.data(), c.asked), c.delivered) << "at " << c.position;
    EXPECT_EQ(into, c.destination) << "at " << c.position;
    EXPECT_EQ(stream.Position(), c.positionAfter);
    EXPECT_EQ(stream.Size(), 5);
  }
}

TEST(MemoryStream, WriteStoresAtThePositionAndGrows) {
  TMemoryStream stream = StreamOf({1, 2, 3}, 1);
  const uint8_t bytes[] = {7, 8, 9};
  stream.Write(bytes, 3);  // overwrites two, appends one
  EXPECT_EQ(stream.Bytes(), (Bytes{1, 7, 8, 9}));
  EXPECT_EQ(stream.Position(), 4);

  stream.SetPosition(6);  // beyond the end: nothing changes until a write
  EXPECT_EQ(stream.Size(), 4);
  stream.Write(bytes, 1);
  EXPECT_EQ(stream.Bytes(), (Bytes{1, 7, 8, 9, 0, 0, 7}));
}

TEST(MemoryStream, CopyAppendsAndAdvancesBothPositions) {
  TMemoryStream source = StreamOf({1, 2, 3, 4, 5}, 1);
  TMemoryStream target = StreamOf({9}, 1);
  target.CopyFrom(source, 4);  // exactly what is left
  EXPECT_EQ(target.Bytes(), (Bytes{9, 2, 3, 4, 5}));
  EXPECT_EQ(target.Position(), 5);
  EXPECT_EQ(source.Position(), 5);
}

TEST(MemoryStream, CopyThatRunsShortThrowsTheStreamReadError) {
  struct Case {
    int64_t position;
    int64_t count;
  };
  for (const Case c : {Case{1, 5}, Case{5, 1}, Case{7, 1}}) {
    TMemoryStream source = StreamOf({1, 2, 3, 4, 5}, c.position);
    TMemoryStream target;
    SCOPED_TRACE(testing::Message() << "at " << c.position << " for " << c.count);
    EXPECT_THROW_MSG(target.CopyFrom(source, c.count), EStreamReadError, "Stream read error");
  }
}

TEST(MemoryStream, ClearEmptiesAndRewinds) {
  TMemoryStream stream = StreamOf({1, 2, 3}, 2);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}
