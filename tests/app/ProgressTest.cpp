// Long work as the window's logic runs it: how far the files have come, the
// stop by Esc or a close after the file in hand, and the line that sums up
// each batch.
#include <gtest/gtest.h>

#include "FormFixture.h"
#include "JpegBuilder.h"
#include "platform/Translation.h"

namespace velmora::test {
namespace {

class Progress : public FormFixture {
 protected:
  void SetUp() override {
    for (const char* name : {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg"})
      files.files[name] = SampleJpeg();
  }
  // Runs `action` before the step that finishes the file `n` (1 upward) of
  // the run; its work is then done, its lines not yet shown.
  void BeforeFinishing(int n, std::function<void()> action) {
    // The view runs a copy of the hook: the count lives beside it.
    auto steps = std::make_shared<int>(0);
    view.beforeStep = [n, action, steps] {
      if (++*steps == n + 1) action();  // the first step begins the first file
    };
  }
};

TEST_F(Progress, LabelAndCaptionCountTheFilesOfTheRunAndFilesAddedExtendIt) {
  Form();
  BeforeFinishing(1, [&] { Form().WMDropFiles({"/p/3.jpg"}); });
  Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg"});
  EXPECT_EQ(view.Only("Label:"),
            (std::vector<std::string>{"Label:", "Label:1 of 2: 1.jpg", "Label:1.jpg",
                                      "Label:2 of 3: 2.jpg", "Label:2.jpg", "Label:3 of 3: 3.jpg",
                                      "Label:3.jpg"}));
  EXPECT_EQ(view.Only("Caption:"),
            (std::vector<std::string>{"Caption:1 of 2: ", "Caption:1 of 3: ", "Caption:2 of 3: ",
                                      "Caption:3 of 3: ", "Caption:"}))
      << "one run: the caption stays from batch to batch";
}

TEST_F(Progress, EscStopsAfterTheFileInHandAndEveryBatchWaitingAndPlaysNoChime) {
  Form();
  BeforeFinishing(2, [&] {
    Form().WMDropFiles({"/p/4.jpg"});
    Form().FormEscape();
  });
  Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"});
  EXPECT_EQ(saved.size(), 2u) << "the file in hand is finished";
  EXPECT_EQ(saved.count("/p/3.jpg") + saved.count("/p/4.jpg"), 0u);
  const std::vector<std::string> tail(view.log.end() - 3, view.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"  *** Batch stopped by the user: 2 files not handled.",
                                            "", ""}));
  EXPECT_EQ(view.Only("Summary:"),
            std::vector<std::string>{
                "Summary:Summary: 2 written, 0 already clean, 0 not written, 2 not handled."});
  EXPECT_EQ(view.Only("Caption:").back(), "Caption:");
  EXPECT_TRUE(chime.requests.empty());
  EXPECT_TRUE(view.Only("Close").empty()) << "Esc during a batch does not close";
  EXPECT_FALSE(Form().BatchRunning());

  Form().FormEscape();  // idle: Esc closes
  EXPECT_EQ(view.Only("Close").size(), 1u);
}

TEST_F(Progress, CloseDuringABatchStopsAfterTheFileInHandThenCloses) {
  Form();
  BeforeFinishing(1, [&] {
    EXPECT_FALSE(Form().FormCloseQuery());
    EXPECT_EQ(view.Only("Caption:").back(), "Caption:Stopping: ");
  });
  Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg"});
  EXPECT_EQ(saved.size(), 1u);
  EXPECT_EQ(view.Only("Close").size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(SettingsFile())) << "the close wrote the settings";
}

// In Japanese the caption and the label count and stop in Japanese; the
// lines of the log stay as they are in every language.
TEST_F(Progress, TheCountAndTheStopSpeakTheLanguageTheLogLinesDoNot) {
  platform::UseLanguage("ja");
  Form();
  BeforeFinishing(1, [&] { Form().FormEscape(); });
  Form().WMDropFiles({"/p/1.jpg", "/p/2.jpg"});
  platform::UseLanguage("en");
  EXPECT_EQ(view.Only("Caption:"),
            (std::vector<std::string>{"Caption:処理中 1/2: ", "Caption:停止中: ", "Caption:"}));
  EXPECT_EQ(view.Only("Label:")[1], "Label:処理中 1/2: 1.jpg");
  EXPECT_EQ(view.Only("Summary:"),
            std::vector<std::string>{
                "Summary:Summary: 1 written, 0 already clean, 0 not written, 1 not handled."});
  EXPECT_EQ(view.log[view.log.size() - 3], "  *** Batch stopped by the user: 1 file not handled.");
}

TEST_F(Progress, EachBatchEndsWithItsOwnCounts) {
  WriteSettings("[CONFIG]\nWrite_Comment=0\n");
  files.files["/p/notes.txt"] = {'t', 'e', 'x', 't'};
  files.files["/p/clean.jpg"] =
      JpegBuilder().SOI().DQT().SOF0().DHT().SOS().Data(100).EOI().Build();
  readOnly.insert("/p/4.jpg");
  Form().WMDropFiles({"/p/1.jpg", "/p/notes.txt"});
  Form().WMDropFiles({"/p/clean.jpg"});
  EXPECT_THROW(Form().WMDropFiles({"/p/2.jpg", "/p/4.jpg", "/p/3.jpg"}), platform::EFileError);
  EXPECT_EQ(view.Only("Summary:"),
            (std::vector<std::string>{
                "Summary:Summary: 1 written, 0 already clean, 1 not written (1 not JPEG), 0 not "
                "handled.",
                "Summary:Summary: 0 written, 1 already clean, 0 not written, 0 not handled.",
                "Summary:Summary: 1 written, 0 already clean, 1 not written (1 error), 1 not "
                "handled."}));
}

}  // namespace
}  // namespace velmora::test
