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
    run.TraceLog.clear();
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
    EXPECT_EQ(driver.run.TraceLog, (TStringList{"-----<x.jpg>-----", c.line}));
    EXPECT_EQ(driver.run.StripJpeg.Size(), 0);
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
    driver.run.StripJpeg.Write("old", 3);
    driver.Analyze("/pics/a.jpg", ExifData::flSaveOriginal);
    EXPECT_EQ(driver.run.TraceLog, (TStringList{"-----<a.jpg>-----", c.line}));
    EXPECT_EQ(driver.run.StripJpeg.Size(), 0);
    EXPECT_TRUE(driver.files.copies.empty());
  }
}

TEST(AnalyzeExif, StripsAJpegAfterItsHeaderAndStartOfImageLines) {
  TDriver driver;
  driver.files.files["/pics/a.jpg"] = kPhoto;
  driver.run.StripJpeg.Write("old", 3);  // a former file's bytes never survive
  driver.Analyze("/pics/a.jpg", ExifData::flNone);
  ASSERT_GE(driver.run.TraceLog.size(), 3u);
  EXPECT_EQ(driver.run.TraceLog[0], "-----<a.jpg>-----");
  EXPECT_EQ(driver.run.TraceLog[1], "ADRS=$000000 MARK=$FFD8 SOI");
  EXPECT_EQ(driver.run.TraceLog[2], "ADRS=$000002 MARK=$FFE1 APP1");
  EXPECT_EQ(driver.run.StripJpeg.Bytes(),
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
  EXPECT_GT(driver.run.StripJpeg.Size(), 2);
}

TEST(AnalyzeExif, AFileWithNothingToRemoveGetsNoBackup) {
  TDriver driver;
  driver.files.files["/pics/a.jpg"] = kPhoto;
  driver.Analyze("/pics/a.jpg", ExifData::flSaveOriginal);
  driver.files.files["/pics/a.jpg"] = driver.run.StripJpeg.Bytes();  // the stripped file
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

  driver.run.TraceLog.clear();
  driver.run.FLAG = ExifData::flNone;
  EXPECT_THROW_MSG(driver.run.AnalyzeExif("/pics/copy.jpg"), ExifData::EStreamReadError,
                   "Stream read error");
  EXPECT_EQ(driver.run.TraceLog,
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
    return std::make_tuple(run.StripJpeg.Bytes(), run.TraceLog, result.damage);
  };
  const auto a = alone("/x/first.exe", ExifData::TStripOptions{42 | 1}, "/a.jpg");
  const auto b = alone("/y/second", ExifData::flDeleteAfterEOI, "/b.jpg");

  ExifData::TStripRun first(files, "/x/first.exe");
  ExifData::TStripRun second(files, "/y/second");
  first.FLAG = ExifData::TStripOptions{42 | 1};
  second.FLAG = ExifData::flDeleteAfterEOI;
  for (int i = 0; i < 2; ++i) {
    first.TraceLog.clear();
    second.TraceLog.clear();
    const auto resultB = second.AnalyzeExif("/b.jpg");
    const auto resultA = first.AnalyzeExif("/a.jpg");
    EXPECT_EQ(std::make_tuple(first.StripJpeg.Bytes(), first.TraceLog, resultA.damage), a);
    EXPECT_EQ(std::make_tuple(second.StripJpeg.Bytes(), second.TraceLog, resultB.damage), b);
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
    EXPECT_EQ(extra.run.StripJpeg.Bytes(), plain.run.StripJpeg.Bytes()) << "FLAG=" << FLAG;
    EXPECT_EQ(extra.run.TraceLog, plain.run.TraceLog) << "FLAG=" << FLAG;
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
      driver.files.files["/pics/a.jpg"] = driver.run.StripJpeg.Bytes();
      driver.files.copies.clear();
      driver.Analyze("/pics/a.jpg", ExifData::TStripOptions{FLAG});
      EXPECT_EQ(driver.result.outcome, ExifData::TOutcome::Unchanged) << "FLAG=" << FLAG;
      EXPECT_TRUE(driver.files.copies.empty()) << "FLAG=" << FLAG;
    }
  }
}

namespace {

// Records what the run tells its file access besides loading and backups.
class TAheadRecorder : public TFakeFileAccess {
 public:
  struct TOffer {
    const uint8_t* data;
    size_t size;
    int64_t at;
  };
  std::vector<TOffer> offers;
  std::vector<std::string> ended;

  void AheadOfSearch(std::span<const uint8_t> bytes, int64_t at) override {
    offers.push_back({bytes.data(), bytes.size(), at});
  }
  void RunEnded(const std::string& path) override { ended.push_back(path); }
};

}  // namespace

// A long scan is offered while it is searched, in chunks that continue one
// another, each at the offset where the output holds its bytes, up to at
// least the output's end. Only a file being changed before its scan is
// offered, and only a scan longer than one chunk.
TEST(AnalyzeExif, OffersALongScanAtItsPlaceInTheOutput) {
  constexpr size_t kChunk = size_t{256} << 10;
  const Bytes longScan =
      JpegBuilder().SOI().APP1(50).DQT().SOF0().SOS().Data(600 << 10).EOI().Bytes({1, 2}).Build();
  const struct {
    const char* what;
    Bytes input;
    ExifData::TStripOptions FLAG;
    bool offered;
  } cases[] = {
      {"metadata dropped, comment added", longScan,
       ExifData::flDeleteAfterEOI | ExifData::flWriteComment, true},
      {"metadata dropped", longScan, ExifData::flDeleteAfterEOI, true},
      {"no end-of-image search", longScan, ExifData::flWriteComment, false},
      {"nothing changed before the scan",
       JpegBuilder().SOI().DQT().SOF0().SOS().Data(600 << 10).EOI().Bytes({1}).Build(),
       ExifData::flDeleteAfterEOI, false},
      {"a scan of one chunk", JpegBuilder().SOI().APP1(50).SOS().Data(kChunk - 200).EOI().Build(),
       ExifData::flDeleteAfterEOI, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TAheadRecorder files;
    files.files["/p/a.jpg"] = c.input;
    ExifData::TStripRun run(files, "/opt/velmora/velmora");
    run.FLAG = c.FLAG;
    run.AnalyzeExif("/p/a.jpg");
    if (!c.offered) {
      EXPECT_TRUE(files.offers.empty());
      continue;
    }
    const Bytes output = run.StripJpeg.Bytes();
    ASSERT_GE(files.offers.size(), 3u);
    for (size_t i = 0; i < files.offers.size(); ++i) {
      const auto& offer = files.offers[i];
      if (i > 0) {
        const auto& before = files.offers[i - 1];
        EXPECT_EQ(offer.data, before.data + before.size);
        EXPECT_EQ(offer.at, before.at + static_cast<int64_t>(before.size));
      }
      EXPECT_LE(offer.size, kChunk + 64) << "a chunk at a time";
      const auto at = static_cast<size_t>(offer.at);
      const size_t inOutput = std::min(offer.size, output.size() - std::min(at, output.size()));
      EXPECT_TRUE(std::equal(offer.data, offer.data + inOutput, output.begin() + at)) << i;
    }
    const auto& last = files.offers.back();
    EXPECT_GE(last.at + static_cast<int64_t>(last.size), static_cast<int64_t>(output.size()));
  }
}

// The file access hears when a file's run is over: when the run ends, or
// when it goes on to another file.
TEST(TStripRun, TellsItsFileAccessWhenEachFilesRunIsOver) {
  TAheadRecorder files;
  files.files["/a.jpg"] = kPhoto;
  files.files["/b.jpg"] = kPhoto;
  {
    ExifData::TStripRun run(files, "/opt/velmora/velmora");
    run.AnalyzeExif("/a.jpg");
    run.AnalyzeExif("/a.jpg");
    EXPECT_TRUE(files.ended.empty());
    run.AnalyzeExif("/b.jpg");
    EXPECT_EQ(files.ended, (std::vector<std::string>{"/a.jpg"}));
  }
  EXPECT_EQ(files.ended, (std::vector<std::string>{"/a.jpg", "/b.jpg"}));
  { ExifData::TStripRun unused(files, "/opt/velmora/velmora"); }
  EXPECT_EQ(files.ended.size(), 2u) << "a run that loaded nothing ends nothing";
}
