// The list of what the walk left out: each segment with its marker, kind,
// offset and length, and the bytes a cut removes after the end of image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeFileAccess.h"
#include "JpegBuilder.h"
#include "engine/ExifData.h"

namespace velmora::test {
namespace {

std::vector<uint8_t> body(std::string_view id, size_t filler = 10) {
  std::vector<uint8_t> bytes(id.begin(), id.end());
  bytes.insert(bytes.end(), filler, 'x');
  return bytes;
}

struct TSeen {
  uint16_t marker;
  std::string kind;
  int64_t offset;
  int64_t length;
  bool operator==(const TSeen&) const = default;
};

void PrintTo(const TSeen& s, std::ostream* os) {
  *os << std::hex << s.marker << std::dec << " " << s.kind << " @" << s.offset << "+" << s.length;
}

std::vector<TSeen> removedBy(const std::vector<uint8_t>& file, ExifData::TStripOptions flag) {
  TFakeFileAccess files;
  files.files["a.jpg"] = file;
  ExifData::TStripRun run(files, "/bin/velmora");
  run.FLAG = flag;
  run.AnalyzeExif("a.jpg");
  std::vector<TSeen> seen;
  for (const ExifData::TRemovedSegment& r : run.RemovedSegments())
    seen.push_back({r.marker, std::string(r.kind), r.offset, r.length});
  return seen;
}

TEST(RemovedSegments, NamesEachKindAtItsOffsetWithItsLength) {
  using std::string_view;
  JpegBuilder jpeg;
  jpeg.SOI();
  std::vector<TSeen> expected;
  // clang-format off
  const struct { uint16_t marker; std::vector<uint8_t> body; const char* kind; } segments[] = {
      {0xFFE0, body({"JFIF\0", 5}),                          "JFIF"},
      {0xFFE1, body({"Exif\0\0", 6}),                        "Exif"},
      {0xFFE1, body({"http://ns.adobe.com/xap/1.0/\0", 29}), "XMP"},
      {0xFFE1, body("something else"),                       "APP1"},
      {0xFFE2, body({"ICC_PROFILE\0", 12}),                  "ICC"},
      {0xFFE2, body({"MPF\0", 4}),                           "multi-picture index"},
      {0xFFEC, body("Ducky"),                                "Ducky"},
      {0xFFED, body({"Photoshop 3.0\0", 14}),                "IPTC"},
      {0xFFEE, body("Adobe"),                                "Adobe"},
      {0xFFE9, body(""),                                     "APP9"},
      {0xFFFE, body("a comment"),                            "comment"},
  };
  // clang-format on
  for (const auto& s : segments) {
    expected.push_back(
        {s.marker, s.kind, static_cast<int64_t>(jpeg.Offset()), int64_t(s.body.size()) + 4});
    jpeg.Segment(s.marker, s.body);
  }
  jpeg.DQT().SOF0().DHT().SOS().Data(300).EOI();
  const int64_t end = static_cast<int64_t>(jpeg.Offset());
  jpeg.Bytes({1, 2, 3, 4, 5});
  expected.push_back({0, "data after the end of image", end, 5});

  EXPECT_EQ(removedBy(jpeg.Build(), ExifData::flDeleteAfterEOI), expected);
}

TEST(RemovedSegments, KeptSegmentsAndAnUnchangedFileListNothing) {
  const auto file = JpegBuilder()
                        .SOI()
                        .Segment(0xFFEE, body("Adobe"))
                        .COM("Modified by velmora v0")
                        .DQT()
                        .SOF0()
                        .SOS()
                        .Data(100)
                        .EOI()
                        .Bytes({9, 9})
                        .Build();
  // APP14 kept, nothing cut: only the comment goes.
  const auto seen = removedBy(file, ExifData::flWriteAPP14);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].kind, "comment");

  const auto clean = JpegBuilder().SOI().DQT().SOF0().SOS().Data(100).EOI().Build();
  EXPECT_TRUE(removedBy(clean, ExifData::flDeleteAfterEOI).empty());
}

TEST(RemovedSegments, ASegmentCutByTheEndCountsOnlyTheBytesThereAre) {
  auto file = JpegBuilder().SOI().SegmentWithLength(0xFFE1, 400, 20).Build();
  const auto seen = removedBy(file, ExifData::flNone);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].offset, 2);
  EXPECT_EQ(seen[0].length, 24);
}

}  // namespace
}  // namespace velmora::test
