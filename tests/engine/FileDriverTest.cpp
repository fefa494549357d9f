// AnalyzeExif through an in-memory file system.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "ExpectThrowMessage.h"
#include "JpegBuilder.h"
#include "WalkHarness.h"

using ExifData::TLoadResult;
using ExifData::TStringList;
using velmora::test::Bytes;
using velmora::test::Concat;
using velmora::test::JpegBuilder;
using velmora::test::TFakeFileAccess;

namespace {

const Bytes kPhoto = JpegBuilder().SOI().APP1(50).DQT().SOF0().DHT().SOS().Data(200).EOI().Build();

struct TDriver {
  TFakeFileAccess files;
  ExifData::TStripRun run{files, "/opt/velmora/velmora"};
  ExifData::TAnalyzeResult result;

  TDriver& Analyze(const std::string& path, ExifData::TStripOptions FLAG) {
    run.FLAG = FLAG;
    result = run.AnalyzeExif(path);
    return *this;
  }
};

}  // namespace

TEST(AnalyzeExif, NamesFilesThatAreNotJpegAndLeavesThemAlone) {
  struct Case {
    Bytes content;
    const char* line;
  };
  const Case cases[] = {
      {{}, "  *** Not Jpeg file. Marker=$0000"},
      {{0xFF}, "  *** Not Jpeg file. Marker=$FF00"},
      {{0xFF, 0xD9, 0xFF, 0xD8}, "  *** Not Jpeg file. Marker=$FFD9"},
      {{0x89, 'P', 'N', 'G', 0x0D, 0x0A}, "  *** Must be PNG file. Marker=$8950"},
      {{'G', 'I', 'F', '8', '9', 'a'}, "  *** Must be GIF file. Marker=$4749"},
      {{'B', 'M', 0x36}, "  *** Must be BMP file. Marker=$424D"},
      {{'I', 'I', 0x2A, 0x00}, "  *** Must be TIFF file. Marker=$4949"},
      {{'M', 'M', 0x00, 0x2A}, "  *** Must be TIFF file. Marker=$4D4D"},
      {{'M', 'Z', 0x90}, "  *** Executable file? Marker=$4D5A"},
      {{0xD8, 0xFF, 0xE0}, "  *** Not Jpeg file. Marker=$D8FF"},
  };
  for (const Case& c : cases) {
    TDriver driver;
    driver.files.files["/pics/x.jpg"] = c.content;
    driver.Analyze("/pics/x.jpg", ExifData::TStripOptions{63});
    EXPECT_EQ(driver.run.Trace(), (TStringList{"-----<x.jpg>-----", c.line}));
    EXPECT_EQ(driver.run.Stripped().Size(), 0);
    EXPECT_TRUE(driver.files.copies.empty()) << c.line;
    EXPECT_FALSE(driver.result.backupAttempted);
  }
}

TEST(AnalyzeExif, LoadFailuresGiveOneLine) {
  struct Case {
    TLoadResult load;
    const char* line;
  };
  const Case cases[] = {
      {{TLoadResult::TKind::Failed,
        "ファイル /pics/a.jpg は開けません。 No such file or directory "},
       "ファイル /pics/a.jpg は開けません。 No such file or directory "},
      {{TLoadResult::TKind::Failed, "ストリームからの読み取りエラー"},
       "ストリームからの読み取りエラー"},
      {{TLoadResult::TKind::Failed, ""}, "*** File open error : a.jpg"},
      {{TLoadResult::TKind::TooLarge, ""}, "  *** File too large (2 GiB or more). Not processed."},
  };
  for (const Case& c : cases) {
    TDriver driver;
    driver.files.files["/pics/a.jpg"] = kPhoto;
    driver.files.loadFailures["/pics/a.jpg"] = c.load;
    driver.files.files["/pics/before.jpg"] = kPhoto;
    driver.Analyze("/pics/before.jpg", ExifData::flNone);  // a former file's output never survives
    driver.Analyze("/pics/a.jpg", ExifData::flSaveOriginal);
    EXPECT_EQ(driver.run.Trace(), (TStringList{"-----<a.jpg>-----", c.line}));
    EXPECT_EQ(driver.run.Stripped().Size(), 0);
    EXPECT_TRUE(driver.files.copies.empty());
  }
}

TEST(AnalyzeExif, StripsAJpegAfterItsHeaderAndStartOfImageLines) {
  TDriver driver;
  driver.files.files["/pics/a.jpg"] = kPhoto;
  driver.files.files["/pics/before.jpg"] = kPhoto;
  driver.Analyze("/pics/before.jpg", ExifData::flNone);  // a former file's output never survives
  driver.Analyze("/pics/a.jpg", ExifData::flNone);
  ASSERT_GE(driver.run.Trace().size(), 3u);
  EXPECT_EQ(driver.run.Trace()[0], "-----<a.jpg>-----");
  EXPECT_EQ(driver.run.Trace()[1], "ADRS=$000000 MARK=$FFD8 SOI");
  EXPECT_EQ(driver.run.Trace()[2], "ADRS=$000002 MARK=$FFE1 APP1");
  EXPECT_EQ(driver.run.Stripped().Bytes(),
            Concat({{0xFF, 0xD8}, velmora::test::Slice(kPhoto, 56, kPhoto.size())}));
  EXPECT_FALSE(driver.result.backupAttempted);
  EXPECT_EQ(driver.result.outcome, ExifData::TOutcome::Stripped);
  EXPECT_TRUE(driver.files.copies.empty());
}

TEST(AnalyzeExif, BacksUpUnderTheFirstNameThatIsFreeOrHoldsTheSameBytes) {
  using ExifData::TBackupOutcome;
  using ExifData::TOutcome;
  TDriver driver;
  driver.files.files["/pics/a.jpeg"] = kPhoto;
  driver.files.files["/pics/a_bak.jpg"] = {1, 2, 3};  // another original, never replaced
  driver.Analyze("/pics/a.jpeg", ExifData::flSaveOriginal);
  EXPECT_EQ(driver.result.outcome, TOutcome::Stripped);
  EXPECT_EQ(driver.result.backup, TBackupOutcome::Written);
  EXPECT_EQ(driver.result.backupName, "/pics/a_bak_2.jpg");
  EXPECT_EQ(driver.files.files["/pics/a_bak.jpg"], (Bytes{1, 2, 3}));
  EXPECT_EQ(driver.files.files["/pics/a_bak_2.jpg"], kPhoto);

  // The same original again: its backup is there and stays as it is.
  driver.Analyze("/pics/a.jpeg", ExifData::flSaveOriginal);
  EXPECT_EQ(driver.result.outcome, TOutcome::Stripped);
  EXPECT_EQ(driver.result.backup, TBackupOutcome::Kept);
  EXPECT_EQ(driver.result.backupName, "/pics/a_bak_2.jpg");

  driver.files.files["/pics/a_bak.jpg"] = kPhoto;
  driver.Analyze("/pics/a_bak.jpg", ExifData::flSaveOriginal);
  EXPECT_EQ(driver.files.copies.back().second, "/pics/a_bak_bak.jpg");

  // A failed copy refuses the overwrite.
  driver.files.failingCopies.insert("/pics/a.jpeg");
  driver.Analyze("/pics/a.jpeg", ExifData::flSaveOriginal);
  EXPECT_EQ(driver.result.outcome, TOutcome::BackupFailed);
  EXPECT_EQ(driver.result.backup, TBackupOutcome::Failed);
  EXPECT_GT(driver.run.Stripped().Size(), 2);
}

TEST(AnalyzeExif, AFileWithNothingToRemoveGetsNoBackup) {
  TDriver driver;
  driver.files.files["/pics/a.jpg"] = kPhoto;
  driver.Analyze("/pics/a.jpg", ExifData::flSaveOriginal);
  driver.files.files["/pics/a.jpg"] = driver.run.Stripped().Bytes();  // the stripped file
  const size_t copies = driver.files.copies.size();
  driver.Analyze("/pics/a.jpg", ExifData::flSaveOriginal);
  EXPECT_EQ(driver.result.outcome, ExifData::TOutcome::Unchanged);
  EXPECT_FALSE(driver.result.backupAttempted);
  EXPECT_EQ(driver.files.copies.size(), copies);
}

TEST(AnalyzeExif, ReportsDamageAndPassesTheReadErrorOn) {
  TDriver driver;
  driver.files.files["/pics/skip.jpg"] =
      JpegBuilder().SOI().DQT().SegmentWithLength(0xFFE1, 5000, 10).Build();
  driver.files.files["/pics/copy.jpg"] =
      JpegBuilder().SOI().DQT().SegmentWithLength(0xFFC4, 5000, 10).Build();

  driver.Analyze("/pics/skip.jpg", ExifData::flSaveOriginal);
  EXPECT_EQ(driver.result.outcome, ExifData::TOutcome::Damaged);
  EXPECT_EQ(driver.result.damage, ExifData::TDamage::SkippedPastEnd);
  EXPECT_TRUE(driver.files.copies.empty()) << "no backup of a file left as it is";
  driver.Analyze("/pics/a.jpg", ExifData::flNone);  // missing: a fresh result
  EXPECT_EQ(driver.result.outcome, ExifData::TOutcome::NotLoaded);
  EXPECT_EQ(driver.result.damage, ExifData::TDamage::None);

  driver.run.FLAG = ExifData::flNone;
  EXPECT_THROW_MSG(driver.run.AnalyzeExif("/pics/copy.jpg"), ExifData::EStreamReadError,
                   "Stream read error");
  EXPECT_EQ(driver.run.Trace(),
            (TStringList{"-----<copy.jpg>-----", "ADRS=$000000 MARK=$FFD8 SOI",
                         "ADRS=$000002 MARK=$FFDB DQI", "ADRS=$000047 MARK=$FFC4 DHI"}));
}

// Runs keep nothing in common: interleaved, each gives what it gives alone.
TEST(TStripRun, InterleavedRunsAreIndependent) {
  TFakeFileAccess files;
  files.files["/a.jpg"] = kPhoto;
  files.files["/b.jpg"] = JpegBuilder().SOI().DQT().SegmentWithLength(0xFFE1, 5000, 10).Build();

  auto alone = [&](const std::string& exe, ExifData::TStripOptions FLAG, const std::string& path) {
    ExifData::TStripRun run(files, exe);
    run.FLAG = FLAG;
    const auto result = run.AnalyzeExif(path);
    return std::make_tuple(run.Stripped().Bytes(), run.Trace(), result.damage);
  };
  const auto a = alone("/x/first.exe", ExifData::TStripOptions{42 | 1}, "/a.jpg");
  const auto b = alone("/y/second", ExifData::flDeleteAfterEOI, "/b.jpg");

  ExifData::TStripRun first(files, "/x/first.exe");
  ExifData::TStripRun second(files, "/y/second");
  first.FLAG = ExifData::TStripOptions{42 | 1};
  second.FLAG = ExifData::flDeleteAfterEOI;
  for (int i = 0; i < 2; ++i) {
    const auto resultB = second.AnalyzeExif("/b.jpg");
    const auto resultA = first.AnalyzeExif("/a.jpg");
    EXPECT_EQ(std::make_tuple(first.Stripped().Bytes(), first.Trace(), resultA.damage), a);
    EXPECT_EQ(std::make_tuple(second.Stripped().Bytes(), second.Trace(), resultB.damage), b);
  }
}

// The bits above the eight options are free for options to come: set, they
// change nothing today, whatever the options beside them.
TEST(AnalyzeExif, BitsOfNoOptionChangeNothing) {
  const Bytes input = JpegBuilder()
                          .SOI()
                          .APP0()
                          .APP1(30)
                          .APP(14, 12)
                          .DQT()
                          .SOF0()
                          .SOS()
                          .Data(60)
                          .EOI()
                          .Bytes({1, 2, 3})
                          .Build();
  for (uint32_t FLAG = 0; FLAG < 256; ++FLAG) {
    TDriver plain;
    TDriver extra;
    plain.files.files["/pics/a.jpg"] = input;
    extra.files.files["/pics/a.jpg"] = input;
    plain.Analyze("/pics/a.jpg", ExifData::TStripOptions{FLAG});
    extra.Analyze("/pics/a.jpg", ExifData::TStripOptions{FLAG | 0xFFFFFF00u});
    EXPECT_EQ(extra.run.Stripped().Bytes(), plain.run.Stripped().Bytes()) << "FLAG=" << FLAG;
    EXPECT_EQ(extra.run.Trace(), plain.run.Trace()) << "FLAG=" << FLAG;
    EXPECT_EQ(extra.files.copies.size(), plain.files.copies.size()) << "FLAG=" << FLAG;
  }
}

// A second strip of the program's own output finds nothing left to remove,
// whatever the options: the file is then neither rewritten nor backed up.
TEST(AnalyzeExif, ASecondStripOfAnOutputChangesNothing) {
  const Bytes inputs[] = {
      kPhoto,
      JpegBuilder()
          .SOI()
          .APP1(30)
          .APP0()
          .APP(14, 12)
          .COM("note")
          .Bytes({0xFF, 0xFF, 0xFF})
          .DQT()
          .SOF(0xFFC2)
          .DHT()
          .SOS()
          .Data(60)
          .COM("between")
          .SOS()
          .Data(60)
          .EOI()
          .SOI()
          .APP1(20)
          .SOS()
          .Data(10)
          .EOI()
          .Build(),
      JpegBuilder().SOI().APP0().APP(0, 12).DRI().SOF0().SOS().Data(40).Build(),
  };
  for (const Bytes& input : inputs) {
    for (uint32_t FLAG = 0; FLAG < 256; ++FLAG) {
      TDriver driver;
      driver.files.files["/pics/a.jpg"] = input;
      driver.Analyze("/pics/a.jpg", ExifData::TStripOptions{FLAG});
      ASSERT_TRUE(driver.result.outcome == ExifData::TOutcome::Stripped ||
                  driver.result.outcome == ExifData::TOutcome::Unchanged)
          << "FLAG=" << FLAG;
      driver.files.files["/pics/a.jpg"] = driver.run.Stripped().Bytes();
      driver.files.copies.clear();
      driver.Analyze("/pics/a.jpg", ExifData::TStripOptions{FLAG});
      EXPECT_EQ(driver.result.outcome, ExifData::TOutcome::Unchanged) << "FLAG=" << FLAG;
      EXPECT_TRUE(driver.files.copies.empty()) << "FLAG=" << FLAG;
    }
  }
}

namespace {

// A run's output, lines and removed stretches, for comparing two runs.
struct TRunSeen {
  ExifData::TOutcome outcome;
  Bytes output;
  TStringList lines;
  std::vector<std::pair<int64_t, int64_t>> removed;
  bool operator==(const TRunSeen&) const = default;
};

TRunSeen seen(ExifData::TStripRun& run, ExifData::TOutcome outcome) {
  TRunSeen result{outcome, run.Stripped().Bytes(), run.Trace(), {}};
  for (const auto& r : run.RemovedSegments()) result.removed.emplace_back(r.offset, r.length);
  return result;
}

}  // namespace

// A save that pulls a long scan gets the same file, lines and removed
// stretches as the search at once, however many chunks it pulls before the
// rest is searched: each chunk continues the one before from the scan's
// start.
TEST(AnalyzeExif, APulledScanEndsAsTheSearchAtOnce) {
  constexpr size_t kChunk = size_t{256} << 10;
  const auto photo = [](size_t scan, std::initializer_list<uint8_t> after) {
    return JpegBuilder().SOI().APP1(50).DQT().SOF0().SOS().Data(scan).EOI().Bytes(after).Build();
  };
  // The chunks start at the start-of-scan marker, whose segment is 14 bytes.
  constexpr size_t kSOS = 14;
  const struct {
    const char* what;
    Bytes input;
    bool pulled = true;  // the scan goes out in chunks at all
    ExifData::TStripOptions FLAG = ExifData::flDeleteAfterEOI | ExifData::flWriteComment;
  } cases[] = {
      {"a trailer after the image", photo(600 << 10, {1, 2, 3})},
      {"the end's 0xFF the last byte of a chunk", photo(2 * kChunk - kSOS - 1, {9})},
      {"the end's 0xFF the first byte of a chunk", photo(2 * kChunk - kSOS, {9})},
      {"the end the input's end", photo(kChunk + 17, {})},
      {"no end of image", JpegBuilder().SOI().APP1(50).SOF0().SOS().Data(700 << 10).Build()},
      {"a segment between scans across a chunk's end", JpegBuilder()
                                                           .SOI()
                                                           .APP1(50)
                                                           .SOF0()
                                                           .SOS()
                                                           .Data(kChunk - 200)
                                                           .Segment(0xFFE5, 3000)
                                                           .SOS()
                                                           .Data(300 << 10)
                                                           .EOI()
                                                           .Bytes({7})
                                                           .Build()},
      {"a broken length after the first chunk", JpegBuilder()
                                                    .SOI()
                                                    .APP1(50)
                                                    .SOF0()
                                                    .SOS()
                                                    .Data(kChunk + 10)
                                                    .SegmentWithLength(0xFFC4, 1, 0)
                                                    .Data(1000)
                                                    .EOI()
                                                    .Build()},
      {"nothing changed before the scan",
       JpegBuilder().SOI().DQT().SOF0().SOS().Data(600 << 10).EOI().Bytes({1}).Build(), false,
       ExifData::flDeleteAfterEOI},
      {"a scan of one chunk", JpegBuilder().SOI().APP1(50).SOS().Data(kChunk - 200).EOI().Build(),
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto analyze = [&](ExifData::TStripRun& run, TFakeFileAccess& files) {
      files.files["/p/a.jpg"] = c.input;
      run.FLAG = c.FLAG;
      const ExifData::TOutcome outcome = run.AnalyzeExif("/p/a.jpg").outcome;
      return outcome;
    };
    TFakeFileAccess eagerFiles;
    ExifData::TStripRun eager(eagerFiles, "/opt/velmora/velmora");
    const ExifData::TOutcome eagerOutcome = analyze(eager, eagerFiles);
    const TRunSeen expected = seen(eager, eagerOutcome);

    for (const size_t pulls : {size_t{0}, size_t{1}, size_t{1000}}) {
      SCOPED_TRACE(pulls);
      TFakeFileAccess files;
      ExifData::TStripRun run(files, "/opt/velmora/velmora");
      run.PullLongScan = true;
      const ExifData::TOutcome outcome = analyze(run, files);
      Bytes written;
      for (const auto piece : run.Output().Known())
        written.insert(written.end(), piece.begin(), piece.end());
      size_t pulled = 0;
      for (auto chunk = run.Output().Pull(); !chunk.empty() && pulled < pulls;
           chunk = run.Output().Pull(), ++pulled) {
        EXPECT_LE(chunk.size(), kChunk);
        written.insert(written.end(), chunk.begin(), chunk.end());
      }
      run.FinishScan();
      EXPECT_EQ(pulled > 0, c.pulled && pulls > 0);
      EXPECT_EQ(seen(run, outcome), expected);
      // What was written as it was pulled is the output's own, as far as it goes.
      const size_t common = std::min(written.size(), expected.output.size());
      EXPECT_TRUE(std::equal(written.begin(), written.begin() + common, expected.output.begin()));
    }
  }
}

// The run holds what the file access kept of a load until it loads another
// file or ends.
TEST(TStripRun, HoldsEachLoadUntilTheNextOrItsEnd) {
  TFakeFileAccess files;
  files.files["/a.jpg"] = kPhoto;
  files.files["/b.jpg"] = kPhoto;
  {
    ExifData::TStripRun run(files, "/opt/velmora/velmora");
    run.AnalyzeExif("/a.jpg");
    EXPECT_NE(run.Loaded(), nullptr);
    run.AnalyzeExif("/b.jpg");
    EXPECT_EQ(files.heldLoads, 1);
    run.AnalyzeExif("/missing.jpg");
    EXPECT_EQ(files.heldLoads, 0);
    EXPECT_EQ(run.Loaded(), nullptr);
    run.AnalyzeExif("/a.jpg");
  }
  EXPECT_EQ(files.heldLoads, 0);
}
