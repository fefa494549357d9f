#include <gtest/gtest.h>

#include <string>

#include "JpegBuilder.h"
#include "WalkHarness.h"

using velmora::test::Bytes;
using velmora::test::kFreshJFIF;
using velmora::test::kVelmoraComment;
using velmora::test::TFakeFileAccess;

namespace {

Bytes CommentSegment(const std::string& exePath) {
  TFakeFileAccess files;
  ExifData::TStripRun run(files, exePath);
  ExifData::TWalkSteps(run).WriteCOM();
  return run.Stripped().Bytes();
}

}  // namespace

TEST(WriteJFIF, AppendsTheFixedSegment) {
  TFakeFileAccess files;
  ExifData::TStripRun run(files, "/opt/velmora/velmora");
  ExifData::TWalkSteps(run).WriteJFIF();
  EXPECT_EQ(run.Stripped().Bytes(),
            velmora::test::HexBytes("FF E0 00 10 4A 46 49 46 00 01 02 01 00 "
                                    "48 00 48 00 00"));
  EXPECT_EQ(run.Stripped().Bytes(), kFreshJFIF);
}

TEST(WriteCOM, NamesTheExecutableWithoutExtensionAndTheVersion) {
  EXPECT_EQ(CommentSegment("/opt/bin/Velmora.exe"), kVelmoraComment);

  struct Case {
    const char* exePath;
    const char* text;
  };
  const Case cases[] = {
      {"/opt/bin/my.tool.exe", "Modified by my.tool v0.1.3d"},
      {"/opt/v1.2/velmora", "Modified by velmora v0.1.3d"},
      {"velmora", "Modified by velmora v0.1.3d"},
      {"/usr/bin/ベルモラ.bin", "Modified by ベルモラ v0.1.3d"},
  };
  for (const Case& c : cases) {
    const std::string text = std::string(c.text) + '\0';
    const Bytes segment = CommentSegment(c.exePath);
    ASSERT_EQ(segment.size(), 4 + text.size()) << c.exePath;
    EXPECT_EQ(segment[0], 0xFF);
    EXPECT_EQ(segment[1], 0xFE);
    EXPECT_EQ(segment[2] * 256 + segment[3], static_cast<int>(text.size() + 2)) << c.exePath;
    EXPECT_EQ(std::string(segment.begin() + 4, segment.end()), text) << c.exePath;
  }
}

// 21 bytes are fixed ("Modified by ", " ", "v0.1.3d", the zero byte), so a name
// of up to 235 bytes fits the 256-byte buffer; a longer one is cut at a
// character boundary.
TEST(CommentText, LongNamesAreCutToFitWholeCharacters) {
  struct Case {
    std::string unit;  // repeated to make the name
    size_t repeat;
    size_t keptBytes;
  };
  const Case cases[] = {
      {"a", 235, 235}, {"a", 236, 235},
      {"a", 600, 235}, {"é", 120, 234},  // two-byte characters: 235 would split one
      {"日", 80, 234},                   // three-byte characters
      {"😀", 60, 232},                    // four-byte characters
  };
  for (const Case& c : cases) {
    std::string name;
    for (size_t i = 0; i < c.repeat; ++i) name += c.unit;
    const std::string text = ExifData::CommentText("/opt/" + name + ".exe");
    EXPECT_EQ(text, "Modified by " + name.substr(0, c.keptBytes) + " v0.1.3d" + '\0')
        << c.unit << " x" << c.repeat;
    EXPECT_LE(text.size(), 256u);
  }
  const std::string longName(300, 'b');
  EXPECT_EQ(CommentSegment("/opt/" + longName).size(), 4u + 256u);
}

// The platform's encoding applies to the whole text, and the length field
// counts the encoded bytes: a two-byte character that encodes to one byte
// shortens the segment.
TEST(WriteCOM, CarriesTheTextInThePlatformsEncoding) {
  struct TOneByteAccents : TFakeFileAccess {
    std::string CommentBytes(const std::string& text) const override {
      std::string bytes;
      for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\xC3\xA9") == 0) {
          bytes += '\xE9';  // é in a one-byte code page
          ++i;
        } else {
          bytes += text[i];
        }
      }
      return bytes;
    }
  } files;
  ExifData::TStripRun run(files, "caf\xC3\xA9.exe");
  ExifData::TWalkSteps(run).WriteCOM();
  const std::string text = "Modified by caf\xE9 v0.1.3d" + std::string(1, '\0');
  const Bytes& segment = run.Stripped().Bytes();
  ASSERT_EQ(segment.size(), 4 + text.size());
  EXPECT_EQ(segment[2] * 256 + segment[3], static_cast<int>(text.size() + 2));
  EXPECT_EQ(std::string(segment.begin() + 4, segment.end()), text);
}
