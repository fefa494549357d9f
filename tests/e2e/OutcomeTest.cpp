// What the program without a display does with small, realistic damage and
// with repeated runs: the file written or left as it was, the warning, the
// exit status, what is left in the output and, where the decoder reads the
// input, the pixels. Fixtures are real JPEGs made by libjpeg, damaged by hand.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "JpegDecode.h"
#include "ProgramRunner.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

bool contains(const Bytes& bytes, const std::string& what) {
  const Bytes pattern = text(what);
  return std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()) != bytes.end();
}

Bytes segment(uint8_t code, const Bytes& body) {
  Bytes s = {0xFF, code, static_cast<uint8_t>((body.size() + 2) >> 8),
             static_cast<uint8_t>((body.size() + 2) & 0xFF)};
  s.insert(s.end(), body.begin(), body.end());
  return s;
}

const Bytes kExif = segment(0xE1, text(std::string("Exif\0\0secretGPS", 15)));

Bytes insertAt(Bytes bytes, size_t at, const Bytes& what) {
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), what.begin(), what.end());
  return bytes;
}

// Offset of the second start-of-scan marker of a progressive file, found by
// following the entropy-coded data of the first scan.
size_t secondScan(const Bytes& jpeg) {
  size_t at = 2;
  while (!(jpeg[at] == 0xFF && jpeg[at + 1] == 0xDA)) at += 2 + jpeg[at + 2] * 256u + jpeg[at + 3];
  at += 2 + jpeg[at + 2] * 256u + jpeg[at + 3];
  for (;; ++at) {
    if (jpeg[at] != 0xFF) continue;
    const uint8_t code = jpeg[at + 1];
    if (code == 0x00 || (code >= 0xD0 && code <= 0xD7)) continue;
    if (code == 0xDA) return at;
    at += 1 + jpeg[at + 2] * 256u + jpeg[at + 3];  // a table between the scans
  }
}

// The file with `count` fill bytes before its end-of-image marker, and a
// second image with its own Exif segment after it.
Bytes fillBeforeEOI(const Bytes& jpeg, size_t count) {
  Bytes out = insertAt(jpeg, jpeg.size() - 2, Bytes(count, 0xFF));
  const Bytes second = insertAt(velmora::test::EncodeJpeg(16, 16, false, 9), 2,
                                segment(0xE1, text(std::string("Exif\0\0secondSecret", 18))));
  out.insert(out.end(), second.begin(), second.end());
  return out;
}

class Outcomes : public ::testing::Test {
 protected:
  void SetUp() override {
    root = FreshTestFolder("velmora-outcomes-");
    for (const char* sub : {"config/BRESKO", "run", "home", "photos"})
      fs::create_directories(root / sub);
    chmod((root / "run").c_str(), 0700);
    settings("");
  }
  void TearDown() override { fs::remove_all(root); }

  // The defaults, silent, and `keys` after them.
  void settings(const std::string& keys) {
    std::ofstream(root / "config/BRESKO/velmora.ini") << "[CONFIG]\nWave_Sound=0\n" << keys;
  }

  TRunResult run(const std::vector<std::string>& args) {
    return RunProgram(VELMORA_PROGRAM, IsolatedOptions(root.string(), args));
  }

  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto& e : fs::directory_iterator(root / "photos"))
      all.push_back(e.path().filename().string());
    std::sort(all.begin(), all.end());
    return all;
  }

  fs::path root;
};

struct TRow {
  std::string what;
  Bytes input;
  bool written;
  std::vector<std::string> gone;  // byte strings the output must not hold
  std::vector<std::string> kept;  // byte strings the output must still hold
};

// Runs each row's file through the program alone and checks what the row says.
void checkRows(const std::function<TRunResult(const std::string&)>& strip, const fs::path& folder,
               const std::vector<TRow>& rows) {
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    writeBytes(folder / "p.jpg", row.input);
    const TRunResult result = strip("p.jpg");
    const Bytes output = readBytes(folder / "p.jpg");
    EXPECT_EQ(result.exitStatus, row.written ? 0 : 1) << result.err;
    EXPECT_EQ(result.err.find("Warning: Strip error.") != std::string::npos, !row.written)
        << result.err;
    EXPECT_EQ(output != row.input, row.written);
    for (const std::string& s : row.gone) EXPECT_FALSE(contains(output, s)) << s;
    for (const std::string& s : row.kept) EXPECT_TRUE(contains(output, s)) << s;
    const velmora::test::TDecoded before = velmora::test::DecodeJpeg(row.input);
    if (before.ok) {
      const velmora::test::TDecoded after = velmora::test::DecodeJpeg(output);
      EXPECT_TRUE(after.ok && after.pixels == before.pixels) << "pixels differ";
    }
  }
}

TEST_F(Outcomes, DamagedAndUnusualFilesThroughTheProgram) {
  const Bytes big = velmora::test::EncodeJpeg(400, 300, false);  // over 64 KB
  ASSERT_GT(big.size(), 65536u);
  const Bytes small = velmora::test::EncodeJpeg(48, 32, false);
  const Bytes progressive = velmora::test::EncodeJpeg(64, 48, true);
  const size_t between = secondScan(progressive);
  const Bytes withExif = insertAt(small, 2, kExif);

  Bytes length0 = insertAt(big, 2, kExif);
  length0[4] = length0[5] = 0x00;
  Bytes length1 = length0;
  length1[5] = 0x01;
  Bytes dqt3 = {0x03};  // an unused table slot, values holding FF D9
  for (int i = 0; i < 64; ++i) dqt3.push_back(i == 10 ? 0xFF : i == 11 ? 0xD9 : 1);

  const std::vector<TRow> rows = {
      {"length 0 on a dropped segment", length0, false, {}, {}},
      {"length 1 on a dropped segment", length1, false, {}, {}},
      {"a stray byte after the start of image", insertAt(withExif, 2, {0x00}), false, {}, {}},
      {"one fill byte before a marker", insertAt(withExif, 2, {0xFF}), true, {"secretGPS"}, {}},
      {"three fill bytes before a marker",
       insertAt(withExif, 2, {0xFF, 0xFF, 0xFF}),
       true,
       {"secretGPS"},
       {}},
      {"one fill byte before the end of image",
       fillBeforeEOI(small, 1),
       true,
       {"secondSecret"},
       {}},
      {"three fill bytes before the end of image",
       fillBeforeEOI(small, 3),
       true,
       {"secondSecret"},
       {}},
      {"FF D9 in a comment between scans",
       insertAt(progressive, between, segment(0xFE, {'a', 0xFF, 0xD9, 'b'})),
       true,
       {},
       {std::string("a\xFF\xD9"
                    "b")}},
      {"FF D9 in a table between scans",
       insertAt(progressive, between, segment(0xDB, dqt3)),
       true,
       {},
       {std::string(reinterpret_cast<const char*>(dqt3.data()), dqt3.size())}},
      {"an Exif segment between scans",
       insertAt(progressive, between, segment(0xE1, text("Exif\xFF\xD9tail"))),
       true,
       {},
       {"Exif\xFF\xD9tail"}},
  };
  checkRows([this](const std::string& name) { return run({name}); }, root / "photos", rows);
}

// The same damage on real photos, where they are at hand.
TEST_F(Outcomes, DamagedRealPhotos) {
  const fs::path corpus = VELMORA_CORPUS_DIR;
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no photo corpus beside the clone";
  std::vector<TRow> rows;
  for (const auto& e : fs::directory_iterator(corpus)) {
    const Bytes photo = readBytes(e.path());
    if (photo.size() < 65536 || photo[0] != 0xFF || photo[1] != 0xD8 || photo[2] != 0xFF ||
        photo[3] != 0xE1 || !velmora::test::DecodeJpeg(photo).ok || rows.size() >= 6)
      continue;
    Bytes zeroed = photo;  // the first APP1's length zeroed
    zeroed[4] = zeroed[5] = 0x00;
    rows.push_back({"length 0: " + e.path().filename().string(), zeroed, false, {}, {}});
    rows.push_back(
        {"odd fill: " + e.path().filename().string(), insertAt(photo, 2, {0xFF}), true, {}, {}});
  }
  if (rows.empty()) GTEST_SKIP() << "no photo over 64 KB that starts with APP1";
  checkRows([this](const std::string& name) { return run({name}); }, root / "photos", rows);
}

// A marker without a length (RST0-7, TEM) or a second start of image at
// every segment boundary before the scan of a photo whose header runs long
// (an ICC profile in many APP2 chunks): read with a length, such a marker
// would send the walk into the middle of a chunk and copy profile bytes out
// as segments. Each output decodes to the input's pixels, or the file is
// left as it was.
TEST_F(Outcomes, MarkersWithoutLengthAtEverySegmentBoundaryOfARealPhoto) {
  const fs::path photo = fs::path(VELMORA_CORPUS_DIR) / "exifr-issue-metadata-extractor-65.jpg";
  if (!fs::is_regular_file(photo)) GTEST_SKIP() << "no photo with a long header beside the clone";
  settings("Write_APP14=1\n");  // its Adobe segment tells the decoder the colour transform
  const Bytes input = readBytes(photo);
  std::vector<size_t> boundaries;
  for (size_t at = 2; !(input[at] == 0xFF && input[at + 1] == 0xDA);
       at += 2 + input[at + 2] * 256u + input[at + 3]) {
    boundaries.push_back(at);
  }
  boundaries.push_back(boundaries.back() + 2 + input[boundaries.back() + 2] * 256u +
                       input[boundaries.back() + 3]);  // right before the scan
  ASSERT_GT(boundaries.size(), 10u);
  std::vector<TRow> rows;
  for (uint8_t code : {0x01, 0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8}) {
    for (size_t at : boundaries) {
      char what[32];
      std::snprintf(what, sizeof what, "FF %02X at %zu", code, at);
      rows.push_back({what, insertAt(input, at, {0xFF, code}), code != 0xD8, {}, {}});
    }
  }
  checkRows([this](const std::string& name) { return run({name}); }, root / "photos", rows);
}

TEST_F(Outcomes, ASecondStripLeavesTheFileAsItIs) {
  writeBytes(root / "photos/a.jpg", insertAt(velmora::test::EncodeJpeg(48, 32, false), 2, kExif));
  ASSERT_EQ(run({"a.jpg"}).exitStatus, 0);
  struct stat first {};
  stat((root / "photos/a.jpg").c_str(), &first);
  const Bytes stripped = readBytes(root / "photos/a.jpg");

  const TRunResult again = run({"a.jpg"});
  EXPECT_EQ(again.exitStatus, 0);
  EXPECT_NE(again.out.find("  *** Nothing left to remove. File not overwritten.\n\n\n"),
            std::string::npos)
      << again.out;
  EXPECT_EQ(again.err, "velmora: 0 written, 1 already clean, 0 not written, 0 not handled.\n");
  struct stat second {};
  stat((root / "photos/a.jpg").c_str(), &second);
  EXPECT_EQ(second.st_ino, first.st_ino) << "rewritten";
  EXPECT_EQ(readBytes(root / "photos/a.jpg"), stripped);
}

// No backup ever replaces an original: files that share a backup name, a file
// named twice, and a second run each keep every original somewhere.
TEST_F(Outcomes, BackupsKeepEveryOriginal) {
  settings("Save_Original_File=1\n");
  const Bytes a = insertAt(velmora::test::EncodeJpeg(48, 32, false, 1), 2, kExif);
  const Bytes b = insertAt(velmora::test::EncodeJpeg(48, 32, false, 2), 2, kExif);
  const fs::path photos = root / "photos";

  writeBytes(photos / "a.jpg", a);
  writeBytes(photos / "a.jpeg", b);
  TRunResult result = run({"a.jpg", "a.jpeg"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(readBytes(photos / "a_bak.jpg"), a);
  EXPECT_EQ(readBytes(photos / "a_bak_2.jpg"), b);
  EXPECT_NE(result.out.find("  Backup copy written: a_bak_2.jpg\n"), std::string::npos);

  fs::remove(photos / "a.jpeg");
  fs::remove(photos / "a_bak_2.jpg");
  writeBytes(photos / "a.jpg", a);
  fs::remove(photos / "a_bak.jpg");
  result = run({"a.jpg", "a.jpg"});  // named twice
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(readBytes(photos / "a_bak.jpg"), a);
  EXPECT_EQ(names(), (std::vector<std::string>{"a.jpg", "a_bak.jpg"}));
  EXPECT_EQ(result.err, "velmora: 1 written, 1 already clean, 0 not written, 0 not handled.\n");

  const Bytes firstOutput = readBytes(photos / "a.jpg");
  settings("Save_Original_File=1\nWrite_Comment=0\n");  // a second run that strips more
  result = run({"a.jpg"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(readBytes(photos / "a_bak.jpg"), a);
  EXPECT_EQ(readBytes(photos / "a_bak_2.jpg"), firstOutput);
  result = run({"a.jpg"});  // and once more: nothing left, no third backup
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(names(), (std::vector<std::string>{"a.jpg", "a_bak.jpg", "a_bak_2.jpg"}));
}

// The stop after a stream read error stays, but the log and standard error
// say which file stopped the batch and what was left undone.
TEST_F(Outcomes, AStoppedBatchNamesItsFileAndCountsTheRest) {
  const Bytes good = insertAt(velmora::test::EncodeJpeg(16, 16, false), 2, kExif);
  Bytes cut = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x40, 0x01, 0x02};  // a kept table past the end
  writeBytes(root / "photos/a.jpg", good);
  writeBytes(root / "photos/cut.jpg", cut);
  writeBytes(root / "photos/b.jpg", good);
  writeBytes(root / "photos/c.jpg", good);
  const TRunResult result = run({"a.jpg", "cut.jpg", "b.jpg", "c.jpg"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(
      result.out.find("-----<cut.jpg>-----\nADRS=$000000 MARK=$FFD8 SOI\n"
                      "ADRS=$000002 MARK=$FFDB DQI\n"
                      "  *** Batch stopped by an error in cut.jpg: 2 files not handled.\n\n\n"),
      std::string::npos)
      << result.out;
  EXPECT_EQ(result.err,
            "velmora: cut.jpg: Stream read error.\n"
            "velmora: 1 written, 0 already clean, 1 not written (1 error), 2 not handled.\n");
  EXPECT_EQ(readBytes(root / "photos/b.jpg"), good);
  EXPECT_EQ(readBytes(root / "photos/c.jpg"), good);
  // The report in Japanese; the count of outcomes stays as scripts read it.
  settings("Language=ja\n");
  const TRunResult japanese = run({"cut.jpg", "b.jpg"});
  EXPECT_EQ(japanese.err,
            "velmora: cut.jpg: ストリームからの読み取りエラー.\n"
            "velmora: 0 written, 0 already clean, 1 not written (1 error), 1 not handled.\n");
}

}  // namespace
}  // namespace velmora::test
