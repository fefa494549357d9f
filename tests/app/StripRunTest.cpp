// The per-file run: options to FLAG, the file's block in the pane, the save or
// the warning, and the overwrites it refuses.
#include <gtest/gtest.h>

#include "FormFixture.h"
#include "engine/MemoryStream.h"

namespace apptest {
namespace {

using app::TCheckBox;

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
    app::TFormEnvironment env{files, [](const std::string&, const void*, size_t) {}, "/opt/velmora",
                              appData.string(), chime};
    app::TFormMain form(fresh, env);
    form.FormCreate();
    fresh.checked = c.boxes;
    form.StripJpeg("/p/a.jpg");
    EXPECT_EQ(form.LastFLAG(), c.flag) << c.settings;
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

TEST_F(StripRun, EngineFailureShowsNothingSavesNothingAndLeavesTheLabel) {
  // A kept DQT whose length runs past the end of the input.
  files.files["/p/cut.jpg"] = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x40, 0x01, 0x02};
  EXPECT_THROW(Form().StripJpeg("/p/cut.jpg"), ExifData::EStreamReadError);
  EXPECT_TRUE(view.log.empty());
  EXPECT_TRUE(saved.empty());
  EXPECT_TRUE(view.Only("Warning:").empty());
  EXPECT_EQ(view.Only("Label:").back(), "Label:Analyzing...");
  EXPECT_EQ(view.events.back(), "Cursor:normal");
}

TEST_F(StripRun, FailedSaveLeavesTheLinesAndPassesTheError) {
  readOnly.insert("/p/a.jpg");
  EXPECT_THROW(Form().StripJpeg("/p/a.jpg"), platform::EFileError);
  EXPECT_EQ(view.log.front(), "-----<a.jpg>-----");
  EXPECT_EQ(view.Only("Label:").back(), "Label:Analyzing...");
}

TEST_F(StripRun, FailedBackupRefusesTheOverwriteAndTheBatchGoesOn) {
  files.files["/p/b.jpg"] = SampleJpeg();
  files.failingBackups.insert("/p/a.jpg");
  Form();
  view.checked[static_cast<size_t>(TCheckBox::Rename)] = true;
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

}  // namespace
}  // namespace apptest
