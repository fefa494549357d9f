// The per-file run: options to FLAG, the file's block in the pane, the save or
// the warning, and the overwrites it refuses.
#include <gtest/gtest.h>

#include "FormFixture.h"
#include "engine/MemoryStream.h"

namespace velmora::test {
namespace {

class StripRun : public FormFixture {
 protected:
  void SetUp() override {
    WriteSettings("[CONFIG]\nWrite_Comment=0\nDelete_after_EOI=0\nWrite_APP14=0\n");
    files.files["/p/a.jpg"] = SampleJpeg();
  }
};

TEST_F(StripRun, FlagIsBuiltAfreshFromTheOptionsForEveryFile) {
  struct Case {
    std::array<bool, 4> boxes;  // JFIF, EOI, Rename, Adobe
    const char* settings;
    int flag;
  };
  const Case cases[] = {
      {{true, true, true, true}, "Write_Comment=1\nOriginal_JFIF=1", 63},
      {{false, false, false, false}, "Write_Comment=0", 0},
      {{true, false, false, true}, "Write_Comment=1", 41},
      {{false, true, false, false}, "Original_JFIF=1\nWrite_Comment=0", 18},
      {{false, false, true, false}, "Write_Comment=0", 4},
      {{false, false, false, false}, "Write_Comment=0\nKeep_Orientation=1", 64},
      {{true, true, true, true}, "Write_Comment=1\nOriginal_JFIF=1\nKeep_ICC=1", 191},
      {{false, false, false, false}, "Keep_ICC=1\nKeep_Orientation=1\nWrite_Comment=0", 192},
  };
  for (const Case& c : cases) {
    WriteSettings(std::string("[CONFIG]\n") + c.settings + "\n");
    TRecordingView fresh;
    std::vector<int> flags;
    app::TFormEnvironment env{
        files,
        [](const std::string&, const ExifData::TLoadHandle*, ExifData::TPulledOutput&) {
          return std::unique_ptr<platform::TPendingSave>();
        },
        "/opt/velmora",
        appData.string(),
        chime,
        [&](ExifData::TStripOptions FLAG) {
          flags.push_back(static_cast<int>(ExifData::Bits(FLAG)));
        }};
    app::TFormMain form(fresh, env);
    form.FormCreate();
    const char* boxes[] = {"Write_JFIF", "Delete_after_EOI", "Save_Original_File", "Write_APP14"};
    for (size_t i = 0; i < c.boxes.size(); ++i)
      fresh.checked[app::SettingsRow(boxes[i])] = c.boxes[i];
    form.StripJpeg("/p/a.jpg");
    EXPECT_EQ(flags, std::vector<int>{c.flag}) << c.settings;
  }
}

TEST_F(StripRun, JpegBlockThenTwoEmptyLinesThenSaveAndLabel) {
  Form().StripJpeg("/p/a.jpg");
  const std::vector<std::string> expected = {"-----<a.jpg>-----",
                                             "ADRS=$000000 MARK=$FFD8 SOI",
                                             "ADRS=$000002 MARK=$FFE0 APP0",
                                             "ADRS=$00000A MARK=$FFE1 APP1",
                                             "ADRS=$000014 MARK=$FFDB DQI",
                                             "ADRS=$00001A MARK=$FFC0 SOF",
                                             "ADRS=$000021 MARK=$FFC4 DHI",
                                             "ADRS=$000027 MARK=$FFDA SOS",
                                             "",
                                             ""};
  EXPECT_EQ(view.log, expected);
  ASSERT_EQ(saved.count("/p/a.jpg"), 1u);
  const Bytes& out = saved["/p/a.jpg"];
  EXPECT_EQ(out.size(), 2u + 6 + 7 + 6 + 14);  // SOI, DQT, SOF0, DHT, SOS to the end
  EXPECT_EQ(view.Only("Label:"),
            (std::vector<std::string>{"Label:", "Label:Analyzing...", "Label:a.jpg"}));
  EXPECT_TRUE(view.Only("Warning:").empty());
  EXPECT_EQ(Form().FilesNotWritten(), 0);
}

TEST_F(StripRun, FileThatIsNotJpegGivesItsDiagnosisAndTheStripWarning) {
  files.files["/p/pic.png"] = {0x89, 0x50, 0x4E, 0x47};
  Form().StripJpeg("/p/pic.png");
  EXPECT_EQ(view.log, (std::vector<std::string>{"-----<pic.png>-----",
                                                "  *** Must be PNG file. Marker=$8950", "", ""}));
  EXPECT_EQ(view.Only("Warning:"),
            (std::vector<std::string>{"Warning:Strip error.\r\n<pic.png> "}));
  EXPECT_EQ(saved.count("/p/pic.png"), 0u);
  EXPECT_EQ(view.Only("Label:").back(), "Label:pic.png");
  EXPECT_EQ(Form().FilesNotWritten(), 1);
}

// The stop is kept, but nothing of it is hidden: the failing file's lines, then
// one line naming it and counting the files the batch left undone.
TEST_F(StripRun, EngineFailureStopsTheBatchAndSaysWhatWasLeft) {
  // A kept DQT whose length runs past the end of the input.
  files.files["/p/cut.jpg"] = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x40, 0x01, 0x02};
  files.files["/p/b.jpg"] = SampleJpeg();
  EXPECT_THROW(Form().WMDropFiles({"/p/a.jpg", "/p/cut.jpg", "/p/b.jpg", "/p/c.jpg"}),
               ExifData::EStreamReadError);
  const std::vector<std::string> tail = {
      "-----<cut.jpg>-----",
      "ADRS=$000000 MARK=$FFD8 SOI",
      "ADRS=$000002 MARK=$FFDB DQI",
      "  *** Batch stopped by an error in cut.jpg: 2 files not handled.",
      "",
      ""};
  ASSERT_GE(view.log.size(), tail.size());
  EXPECT_EQ(std::vector<std::string>(view.log.end() - static_cast<std::ptrdiff_t>(tail.size()),
                                     view.log.end()),
            tail);
  EXPECT_EQ(saved.count("/p/a.jpg"), 1u);
  EXPECT_EQ(saved.count("/p/cut.jpg") + saved.count("/p/b.jpg"), 0u);
  EXPECT_TRUE(view.Only("Warning:").empty());
  // After the stop the label names the file it stopped at.
  EXPECT_EQ(view.Only("Label:").back(), "Label:cut.jpg");
  EXPECT_EQ(Form().StoppedAt(), "/p/cut.jpg");
  EXPECT_EQ(app::OutcomeCountText(Form().Outcomes()),
            "1 written, 0 already clean, 1 not written (1 error), 2 not handled.");
}

TEST_F(StripRun, FailedSaveLeavesTheLinesAndPassesTheError) {
  readOnly.insert("/p/a.jpg");
  EXPECT_THROW(Form().StripJpeg("/p/a.jpg"), platform::EFileError);
  EXPECT_EQ(view.log.front(), "-----<a.jpg>-----");
  EXPECT_EQ(view.Only("Label:").back(), "Label:Analyzing...");
}

TEST_F(StripRun, FailedBackupRefusesTheOverwriteAndTheBatchGoesOn) {
  files.files["/p/b.jpg"] = SampleJpeg();
  files.failingCopies.insert("/p/a.jpg");
  Form();
  view.checked[app::SettingsRow("Save_Original_File")] = true;
  Form().WMDropFiles({"/p/a.jpg", "/p/b.jpg"});

  EXPECT_EQ(saved.count("/p/a.jpg"), 0u);
  EXPECT_EQ(saved.count("/p/b.jpg"), 1u);
  EXPECT_EQ(files.files.count("/p/b_bak.jpg"), 1u);
  const auto it = std::find(view.log.begin(), view.log.end(),
                            "  *** Backup copy failed: /p/a_bak.jpg. File not overwritten.");
  ASSERT_NE(it, view.log.end());
  EXPECT_EQ(*(it + 1), "");  // the line closes the file's block
  EXPECT_EQ(view.Only("Warning:"), (std::vector<std::string>{"Warning:Strip error.\r\n<a.jpg> "}));
}

TEST_F(StripRun, FileChangedAfterItsLoadIsToldInItsBlockAndTheBatchGoesOn) {
  files.files["/p/b.jpg"] = SampleJpeg();
  changed.insert("/p/a.jpg");
  Form().WMDropFiles({"/p/a.jpg", "/p/b.jpg"});

  EXPECT_EQ(saved.count("/p/a.jpg"), 0u);
  EXPECT_EQ(saved.count("/p/b.jpg"), 1u);
  const auto it =
      std::find(view.log.begin(), view.log.end(),
                "  *** The file was changed or replaced after it was read. File not overwritten.");
  ASSERT_NE(it, view.log.end());
  EXPECT_EQ(*(it + 1), "");
  EXPECT_EQ(*(it + 3), "-----<b.jpg>-----");
  EXPECT_EQ(view.Only("Warning:"), (std::vector<std::string>{"Warning:Strip error.\r\n<a.jpg> "}));
  EXPECT_EQ(Form().FilesNotWritten(), 1);
}

TEST_F(StripRun, DamagedInputIsLeftAsItIs) {
  // An APP1 whose length runs past the end: the output would lose the rest.
  files.files["/p/d.jpg"] = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x03, 0x01,
                             0xFF, 0xE1, 0x10, 0x00, 0x45, 0x78, 0x69};
  Form().StripJpeg("/p/d.jpg");
  EXPECT_EQ(saved.count("/p/d.jpg"), 0u);
  ASSERT_GE(view.log.size(), 3u);
  EXPECT_EQ(view.log[view.log.size() - 3],
            "  *** A segment runs past the end of the file. File not overwritten.");
  EXPECT_EQ(view.Only("Warning:"), (std::vector<std::string>{"Warning:Strip error.\r\n<d.jpg> "}));
}

// Each way a file can end has its line at the end of the file's block, its
// warning or none, and its count.
TEST_F(StripRun, EachOutcomeHasItsLineWarningAndCount) {
  Bytes clean = SampleJpeg();
  clean.erase(clean.begin() + 2, clean.begin() + 20);  // APP0 and APP1 gone: as stripped
  Bytes shortLength = SampleJpeg();
  shortLength[12] = shortLength[13] = 0x00;  // the APP1's length
  Bytes stray = SampleJpeg();
  stray.insert(stray.begin() + 2, 0x00);
  Bytes secondStart = SampleJpeg();
  secondStart.insert(secondStart.begin() + 2, {0xFF, 0xD8});
  struct Case {
    const char* name;
    Bytes content;
    const char* line;
    bool saved;
    bool warned;
    const char* counts;
  };
  const Case cases[] = {
      {"clean.jpg", clean, "  *** Nothing left to remove. File not overwritten.", false, false,
       "0 written, 1 already clean, 0 not written, 0 not handled."},
      {"short.jpg", shortLength, "  *** A segment's length is below 2. File not overwritten.",
       false, true, "0 written, 0 already clean, 1 not written (1 damaged), 0 not handled."},
      {"stray.jpg", stray,
       "  *** Bytes that are not a marker stand before the image data. File not overwritten.",
       false, true, "0 written, 0 already clean, 1 not written (1 damaged), 0 not handled."},
      {"twice.jpg", secondStart,
       "  *** A second start-of-image marker stands before the image data. File not overwritten.",
       false, true, "0 written, 0 already clean, 1 not written (1 damaged), 0 not handled."},
      {"a.jpg", SampleJpeg(), "ADRS=$000027 MARK=$FFDA SOS", true, false,
       "1 written, 0 already clean, 0 not written, 0 not handled."},
  };
  for (const Case& c : cases) {
    TRecordingView fresh;
    std::map<std::string, Bytes> written;
    app::TFormEnvironment env{
        files,
        [&](const std::string& path, const ExifData::TLoadHandle*, ExifData::TPulledOutput&) {
          written[path] = {};
          return std::unique_ptr<platform::TPendingSave>();
        },
        "/opt/velmora", appData.string(), chime};
    app::TFormMain form(fresh, env);
    form.FormCreate();
    files.files[std::string("/p/") + c.name] = c.content;
    form.StripJpeg(std::string("/p/") + c.name);
    ASSERT_GE(fresh.log.size(), 3u) << c.name;
    EXPECT_EQ(fresh.log[fresh.log.size() - 3], c.line) << c.name;
    EXPECT_EQ(written.size(), c.saved ? 1u : 0u) << c.name;
    EXPECT_EQ(fresh.Only("Warning:").size(), c.warned ? 1u : 0u) << c.name;
    EXPECT_EQ(app::OutcomeCountText(form.Outcomes()), c.counts) << c.name;
  }
}

// The backup goes to the first name that is free or holds the same bytes, and
// the log names it.
TEST_F(StripRun, BackupLineNamesTheBackupWrittenOrKept) {
  WriteSettings(
      "[CONFIG]\nWrite_Comment=0\nDelete_after_EOI=0\nWrite_APP14=0\nSave_Original_File=1\n");
  files.files["/p/a_bak.jpg"] = {1, 2, 3};
  Form().WMDropFiles({"/p/a.jpg"});
  EXPECT_NE(std::find(view.log.begin(), view.log.end(), "  Backup copy written: /p/a_bak_2.jpg"),
            view.log.end());
  EXPECT_EQ(files.files["/p/a_bak.jpg"], (Bytes{1, 2, 3}));
  EXPECT_EQ(files.files["/p/a_bak_2.jpg"], SampleJpeg());

  Form().WMDropFiles({"/p/a.jpg"});  // the file on disk is still the original here
  EXPECT_NE(std::find(view.log.begin(), view.log.end(),
                      "  Backup copy kept (same bytes): /p/a_bak_2.jpg"),
            view.log.end());
}

// A backup is a copy of a file that is then stripped: a file the save will
// refuse gets none, and one made before a save that then fails goes again.
TEST_F(StripRun, NoBackupIsLeftOfAFileThatWasNotWritten) {
  // clang-format off
  struct Case {
    const char* what;
    bool refusedAhead;  // the file may not be replaced, as seen before the backup
    bool saveFails;     // the save itself fails (the refusal came after the backup)
    bool changed;       // the file changed after its load
    bool copyAsked;
    std::vector<std::string> tail;  // the block's last lines
  } const cases[] = {
      {"refused before the backup", true,  true,  false, false,
       {"ADRS=$000027 MARK=$FFDA SOS"}},
      {"save fails after it",       false, true,  false, true,
       {"  Backup copy written: /p/a_bak.jpg",
        "  Backup copy removed (file not overwritten): /p/a_bak.jpg"}},
      {"changed meanwhile",         false, false, true,  true,
       {"  Backup copy written: /p/a_bak.jpg",
        "  Backup copy removed (file not overwritten): /p/a_bak.jpg",
        "  *** The file was changed or replaced after it was read. File not overwritten.",
        "", ""}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    files.files = {{"/p/a.jpg", SampleJpeg()}};
    files.copies.clear();
    files.notReplaceable.clear();
    readOnly.clear();
    changed.clear();
    view.log.clear();
    if (c.refusedAhead) files.notReplaceable.insert("/p/a.jpg");
    if (c.saveFails) readOnly.insert("/p/a.jpg");
    if (c.changed) changed.insert("/p/a.jpg");
    Form();
    view.checked[app::SettingsRow("Save_Original_File")] = true;
    try {
      Form().StripJpeg("/p/a.jpg");
    } catch (const platform::EFileError&) {
      EXPECT_TRUE(c.saveFails);
    }
    EXPECT_EQ(files.copies.size(), c.copyAsked ? 1u : 0u);
    EXPECT_EQ(files.files.count("/p/a_bak.jpg"), 0u) << "no backup is left";
    EXPECT_EQ(saved.count("/p/a.jpg"), 0u);
    ASSERT_GE(view.log.size(), c.tail.size());
    EXPECT_EQ(std::vector<std::string>(view.log.end() - static_cast<std::ptrdiff_t>(c.tail.size()),
                                       view.log.end()),
              c.tail);
  }
}

}  // namespace
}  // namespace velmora::test
