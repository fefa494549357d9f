// The input routes: which files run in which order, what a failure does to the
// batch, the chime requests, and batches that arrive while one runs.
#include <gtest/gtest.h>

#include "FormFixture.h"

namespace velmora::test {
namespace {

class Routes : public FormFixture {
 protected:
  void SetUp() override {
    for (const char* name : {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"}) files.files[name] = SampleJpeg();
  }
  std::vector<std::string> headers() const {
    std::vector<std::string> out;
    for (const auto& line : view.log)
      if (line.rfind("-----<", 0) == 0) out.push_back(line);
    return out;
  }
};

TEST_F(Routes, DropClearsThePaneRunsInOrderThenOneAsynchronousChime) {
  Form();
  view.log = {"old line"};
  Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"});
  EXPECT_EQ(headers(), (std::vector<std::string>{"-----<1.jpg>-----", "-----<2.jpg>-----",
                                                 "-----<3.jpg>-----"}));
  EXPECT_EQ(chime.requests, (std::vector<std::string>{"async:16"}));
  EXPECT_EQ(view.events.back(), "Cursor:normal");
  EXPECT_TRUE(view.Only("Close").empty());
}

TEST_F(Routes, FailedSaveStopsTheBatchButNotTheChimeOrTheCursor) {
  readOnly.insert("/p/2.jpg");
  EXPECT_THROW(Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"}), platform::EFileError);
  EXPECT_EQ(headers(), (std::vector<std::string>{"-----<1.jpg>-----", "-----<2.jpg>-----"}));
  EXPECT_EQ(saved.count("/p/3.jpg"), 0u);
  EXPECT_EQ(chime.requests, (std::vector<std::string>{"async:16"}));
  EXPECT_EQ(view.events.back(), "Cursor:normal");
}

TEST_F(Routes, UnreadableFileWarnsAndTheBatchGoesOn) {
  Form().WMDropFiles({"/p/1.jpg", "--help", "/p/3.jpg"});
  EXPECT_EQ(view.Only("Warning:"), (std::vector<std::string>{"Warning:Strip error.\r\n<--help> "}));
  EXPECT_EQ(saved.size(), 2u);
}

TEST_F(Routes, DialogCancelledChangesNothing) {
  Form().WMDropFiles({"/p/1.jpg"});
  const auto log = view.log;
  const size_t events = view.events.size();
  view.dialogCancels = true;
  Form().ButtonLoadClick();
  EXPECT_EQ(view.log, log);
  EXPECT_EQ(view.events.size(), events + 1);  // only the dialog itself
  EXPECT_EQ(chime.requests.size(), 1u);
}

TEST_F(Routes, DialogConfirmedRunsItsFilesAsABatch) {
  view.dialogAnswers = {{"/p/3.jpg", "/p/1.jpg"}};
  Form().ButtonLoadClick();
  EXPECT_EQ(headers(), (std::vector<std::string>{"-----<3.jpg>-----", "-----<1.jpg>-----"}));
  EXPECT_EQ(chime.requests, (std::vector<std::string>{"async:16"}));
}

TEST_F(Routes, CommandLineRunsKeepsThePaneWaitsForTheChimeThenCloses) {
  Form().FormShow({"/p/1.jpg", "/p/2.jpg"});
  EXPECT_EQ(headers().size(), 2u);
  EXPECT_EQ(chime.requests, (std::vector<std::string>{"sync:16"}));
  EXPECT_EQ(view.Only("Close").size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(SettingsFile()));  // closing wrote the settings
}

TEST_F(Routes, ADropDuringTheCommandLineBatchStillRuns) {
  // It used to wait in a queue that nothing ran before the close.
  Form();
  view.beforeStep = [&] {
    view.beforeStep = nullptr;
    Form().WMDropFiles({"/p/3.jpg"});
  };
  Form().FormShow({"/p/1.jpg", "/p/2.jpg"});
  EXPECT_EQ(view.Only("Label:3.jpg").size(), 1u);
  EXPECT_EQ(view.Only("Close").size(), 1u);
  EXPECT_FALSE(Form().BatchRunning());
}

TEST_F(Routes, CommandLineErrorSkipsChimeAndClose) {
  readOnly.insert("/p/1.jpg");
  EXPECT_THROW(Form().FormShow({"/p/1.jpg", "/p/2.jpg"}), platform::EFileError);
  EXPECT_TRUE(chime.requests.empty());
  EXPECT_TRUE(view.Only("Close").empty());
  EXPECT_EQ(view.events.back(), "Cursor:normal");
  EXPECT_EQ(view.Only("Label:").back(), "Label:1.jpg") << "not left on Analyzing...";
}

// The window stays open after a command-line batch that left a file as it
// was, so that the reason in its log can be read; the user closes it.
TEST_F(Routes, CommandLineBatchClosesOnlyWhenEveryFileWasWrittenOrClean) {
  // clang-format off
  struct Case {
    const char* what;
    std::vector<std::string> args;
    bool closes;
  } const cases[] = {
      {"all written",              {"/p/1.jpg", "/p/2.jpg"},          true},
      {"one already clean",        {"/p/1.jpg", "/p/clean.jpg"},      true},
      {"one not JPEG",             {"/p/1.jpg", "/p/png.jpg"},        false},
      {"one cut off",              {"/p/cut.jpg", "/p/2.jpg"},        false},
      {"one missing",              {"/p/none.jpg"},                   false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TRecordingView fresh;
    app::TFormMain form(
        fresh, {files,
                [](const std::string&, const ExifData::TLoadHandle*, ExifData::TPulledOutput&) {
                  return std::unique_ptr<platform::TPendingSave>();
                },
                "/opt/velmora/velmora.bin", appData.string(), chime});
    files.files["/p/png.jpg"] = {0x89, 0x50, 0x4E, 0x47};
    // A dropped segment that claims more bytes than the file has.
    files.files["/p/cut.jpg"] = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x40, 0x01, 0x02};
    files.files["/p/clean.jpg"] = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
    chime.requests.clear();
    form.FormCreate();
    form.FormShow(c.args);
    EXPECT_EQ(fresh.Only("Close").size(), c.closes ? 1u : 0u);
    EXPECT_EQ(chime.requests, (std::vector<std::string>{"sync:16"})) << "the batch ran to its end";
    EXPECT_FALSE(form.BatchRunning());
  }
}

TEST_F(Routes, NoArgumentsDoNothing) {
  Form();
  const size_t events = view.events.size();
  Form().FormShow({});
  EXPECT_EQ(view.events.size(), events);
}

TEST_F(Routes, ChimeNumberZeroNeverReachesThePlayer) {
  WriteSettings("[CONFIG]\nWave_Sound=0\n");
  Form().WMDropFiles({"/p/1.jpg"});
  Form().FormShow({"/p/2.jpg"});
  EXPECT_TRUE(chime.requests.empty());
}

TEST_F(Routes, DropDuringABatchIsQueuedAndRunsAfterIt) {
  Form();
  int pumps = 0;
  view.beforeStep = [&] {
    // Before the second file a drop and a click on "Load picture" arrive.
    if (++pumps == 2) {
      Form().WMDropFiles({"/p/3.jpg"});
      Form().ButtonLoadClick();
      EXPECT_TRUE(view.Only("Dialog").empty()) << "no batch runs inside another";
    }
  };
  view.dialogAnswers = {{"/p/1.jpg"}};
  Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg"});
  // The last batch (the dialog's) left its own file in the pane.
  EXPECT_EQ(headers(), (std::vector<std::string>{"-----<1.jpg>-----"}));
  EXPECT_EQ(view.Only("ClearLog").size(), 4u);  // creation + three batches
  EXPECT_EQ(view.Only("Dialog").size(), 1u);
  EXPECT_EQ(chime.requests.size(), 3u);
  EXPECT_FALSE(Form().BatchRunning());
}

TEST_F(Routes, SecondLaunchesBringTheWindowForwardAndQueueTheirFilesLikeDrops) {
  Form();
  Form().OtherCopiesStarted({{}});  // a launch without files
  EXPECT_EQ(view.Only("Front").size(), 1u);
  EXPECT_TRUE(view.Only("Cursor").empty()) << "no batch";

  // Two launches arrive while a dropped file is in hand.
  view.beforeStep = [&] {
    view.beforeStep = nullptr;
    Form().OtherCopiesStarted({{"/p/2.jpg", "/p/3.jpg"}, {"/p/1.jpg"}});
    EXPECT_EQ(view.Only("ClearLog").size(), 2u) << "no batch runs inside another";
  };
  Form().WMDropFiles({"/p/1.jpg"});
  EXPECT_EQ(view.Only("Front").size(), 2u);
  EXPECT_EQ(view.Only("ClearLog").size(), 4u);  // creation + three batches
  std::vector<std::string> handled;
  for (const std::string& label : view.Only("Label:"))
    if (label.find(" of ") == std::string::npos && label != "Label:")
      handled.push_back(label.substr(6));
  EXPECT_EQ(handled, (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg", "1.jpg"}));
  EXPECT_EQ(headers(), std::vector<std::string>{"-----<1.jpg>-----"});
  EXPECT_EQ(chime.requests.size(), 3u);
  EXPECT_FALSE(Form().BatchRunning());
}

TEST_F(Routes, QueuedBatchSurvivesAnErrorAndRunsAfterItsReport) {
  readOnly.insert("/p/2.jpg");
  Form();
  view.beforeStep = [&] {
    view.beforeStep = nullptr;
    Form().WMDropFiles({"/p/3.jpg"});
  };
  EXPECT_THROW(Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg"}), platform::EFileError);
  EXPECT_EQ(saved.count("/p/3.jpg"), 0u);
  Form().ReportError("refused");  // what the window does with the error
  EXPECT_EQ(saved.count("/p/3.jpg"), 1u);
}

TEST_F(Routes, AFailedDialogDoesNotHoldUpTheBatchesBehindIt) {
  Form();
  view.dialogThrows = true;
  view.beforeStep = [&] {
    view.beforeStep = nullptr;
    Form().ButtonLoadClick();  // its dialog fails when its turn comes
    Form().WMDropFiles({"/p/3.jpg"});
  };
  EXPECT_THROW(Form().WMDropFiles({"/p/1.jpg"}), std::runtime_error);
  Form().ReportError("no dialog");  // what the window does with the error
  EXPECT_EQ(saved.count("/p/3.jpg"), 1u);
  EXPECT_FALSE(Form().BatchRunning());
  EXPECT_TRUE(Form().FormCloseQuery()) << "the window can still be closed";
}

TEST_F(Routes, CloseBeforeABatchsFirstFileStopsItAndCloses) {
  Form();
  view.beforeStep = [&] {
    view.beforeStep = nullptr;
    EXPECT_FALSE(Form().FormCloseQuery());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
  };
  Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg"});
  EXPECT_TRUE(saved.empty());
  EXPECT_EQ(view.log.front(), "  *** Batch stopped by the user: 2 files not handled.");
  EXPECT_EQ(view.Only("Close").size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
}

TEST_F(Routes, BatchDroppedUnderAnErrorReportIsNotCutByItsEnd) {
  files.files["/p/x.jpg"] = SampleJpeg();
  readOnly.insert("/p/x.jpg");
  EXPECT_THROW(Form().WMDropFiles({"/p/x.jpg"}), platform::EFileError);
  // The event loop goes on under the report box: a drop there begins at once,
  // a second one waits, and the box closes before the first has ended.
  view.beforeStep = [&] {
    view.beforeStep = nullptr;
    Form().WMDropFiles({"/p/3.jpg"});
    Form().ReportError("refused");
  };
  Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg"});
  EXPECT_EQ(saved.size(), 3u);
  EXPECT_EQ(headers(), (std::vector<std::string>{"-----<3.jpg>-----"}));
  EXPECT_FALSE(Form().BatchRunning());
}

TEST_F(Routes, PreviewPlaysOnlyWhileTheSelectorIsShown) {
  WriteSettings("[CONFIG]\nWave_Sound=5\nWave_Change=1\n");
  Form();
  EXPECT_TRUE(chime.requests.empty()) << "reading the settings never plays";
  EXPECT_EQ(Form().SoundNo(), 5);
  EXPECT_TRUE(view.soundLabelVisible);

  for (int value : {6, 0, 99, 23}) {
    view.soundValue = value;
    Form().SpinEditSoundChange();
  }
  EXPECT_EQ(chime.requests, (std::vector<std::string>{"async:6", "async:99", "async:23"}));
  EXPECT_EQ(Form().SoundNo(), 23);
}

TEST_F(Routes, HiddenSelectorSetsTheNumberSilently) {
  Form();
  view.soundValue = 3;
  Form().SpinEditSoundChange();
  EXPECT_EQ(Form().SoundNo(), 3);
  EXPECT_TRUE(chime.requests.empty());
}

}  // namespace
}  // namespace velmora::test
