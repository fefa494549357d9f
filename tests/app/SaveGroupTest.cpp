// Saves finished a group at a time: a file is reported only once its save is
// finished, files are reported in the order they ran, and what finishes a
// group early (a warning, the batch's end, a file read again) does so.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "FormFixture.h"
#include "engine/PathRules.h"

namespace velmora::test {
namespace {

// A save begun and not yet finished: it only remembers its file.
struct TWaitingSave : platform::TPendingSave {
  explicit TWaitingSave(std::string file) : path(std::move(file)) {}
  uint64_t Size() const override { return 1; }
  std::string path;
};

// The view's events, with each file's report as "Done:<name>:<outcome>".
struct TReportingView : TRecordingView {
  void FileDone(const app::TFileReport& report) override {
    events.push_back("Done:" + ExifData::FileNameOf(report.file) + ":" +
                     std::string(report.Row().name));
  }
};

class SaveGroup : public FormFixture {
 protected:
  SaveGroup() {
    for (const char* name : {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg"})
      files.files[name] = SampleJpeg();
    files.files["/p/png.jpg"] = {0x89, 0x50, 0x4E, 0x47};
  }
  // A form whose saves wait until the group is finished; finishing records
  // "Finish:<names>", refuses the files in `changedMeanwhile` and fails
  // those in `failing`.
  std::unique_ptr<app::TFormMain> form() {
    app::TFormEnvironment env{
        files,
        [](const std::string& path, const ExifData::TLoadHandle*, ExifData::TPulledOutput&) {
          return std::unique_ptr<platform::TPendingSave>(std::make_unique<TWaitingSave>(path));
        },
        "/opt/velmora", appData.string(), chime};
    env.finishSaves = [this](const std::vector<platform::TPendingSave*>& saves) {
      std::string names;
      std::vector<std::exception_ptr> errors;
      for (platform::TPendingSave* save : saves) {
        const std::string& path = static_cast<TWaitingSave*>(save)->path;
        names += (names.empty() ? "" : ",") + ExifData::FileNameOf(path);
        if (changedMeanwhile.count(path) != 0)
          errors.push_back(std::make_exception_ptr(platform::EFileChanged(path)));
        else if (failing.count(path) != 0)
          errors.push_back(std::make_exception_ptr(platform::EFileError(path + ": disk full")));
        else
          errors.push_back(nullptr);
      }
      view.events.push_back("Finish:" + names);
      return errors;
    };
    auto made = std::make_unique<app::TFormMain>(view, env);
    made->FormCreate();
    return made;
  }
  std::vector<std::string> finishesAndReports() const {
    std::vector<std::string> out;
    for (const std::string& e : view.events)
      if (e.rfind("Finish:", 0) == 0 || e.rfind("Done:", 0) == 0 || e.rfind("Warning:", 0) == 0)
        out.push_back(e);
    return out;
  }

  TReportingView view;
  std::set<std::string> changedMeanwhile;
  std::set<std::string> failing;
};

TEST_F(SaveGroup, FilesAreReportedInOrderOnlyOnceTheirGroupIsFinished) {
  const struct {
    const char* what;
    std::vector<std::string> batch;
    std::vector<std::string> expected;
  } cases[] = {
      {"the batch's end finishes the group",
       {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"},
       {"Finish:1.jpg,2.jpg,3.jpg", "Done:1.jpg:written", "Done:2.jpg:written",
        "Done:3.jpg:written"}},
      {"a file with a warning finishes the group before its box",
       {"/p/1.jpg", "/p/png.jpg", "/p/2.jpg"},
       {"Finish:1.jpg", "Done:1.jpg:written", "Done:png.jpg:not_jpeg",
        "Warning:Strip error.\r\n<png.jpg> ", "Finish:2.jpg", "Done:2.jpg:written"}},
      {"a file read again waits for its own save",
       {"/p/1.jpg", "/p/2.jpg", "/p/1.jpg"},
       {"Finish:1.jpg,2.jpg", "Done:1.jpg:written", "Done:2.jpg:written", "Finish:1.jpg",
        "Done:1.jpg:written"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    view.events.clear();
    form()->WMDropFiles(c.batch);
    EXPECT_EQ(finishesAndReports(), c.expected);
  }
}

// One file of a group changed behind our back: it alone is not written, told
// in its own block; the files after it in the group are still reported.
TEST_F(SaveGroup, AFileChangedWhileItsSaveWaitedIsToldInItsBlockAndTheOthersAreWritten) {
  changedMeanwhile.insert("/p/2.jpg");
  const auto made = form();
  made->WMDropFiles({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"});
  EXPECT_EQ(finishesAndReports(),
            (std::vector<std::string>{"Finish:1.jpg,2.jpg,3.jpg", "Done:1.jpg:written",
                                      "Done:2.jpg:changed", "Warning:Strip error.\r\n<2.jpg> ",
                                      "Done:3.jpg:written"}));
  const auto second = std::find(view.log.begin(), view.log.end(), "-----<2.jpg>-----");
  const auto third = std::find(second, view.log.end(), "-----<3.jpg>-----");
  ASSERT_NE(third, view.log.end());
  EXPECT_NE(std::find_if(second, third,
                         [](const std::string& line) {
                           return line.find("changed or replaced") != std::string::npos;
                         }),
            third);
  EXPECT_EQ(app::OutcomeCountText(made->Outcomes()),
            "2 written, 0 already clean, 1 not written (1 changed meanwhile), 0 not handled.");
}

// A save that fails when its group is finished stops the batch at its file,
// but the files of the group after it were written and are reported so.
TEST_F(SaveGroup, AFailedSaveInAGroupStopsTheBatchAfterTheGroupIsReported) {
  failing.insert("/p/2.jpg");
  const auto made = form();
  EXPECT_THROW(made->WMDropFiles({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"}), platform::EFileError);
  EXPECT_EQ(finishesAndReports(),
            (std::vector<std::string>{"Finish:1.jpg,2.jpg,3.jpg", "Done:1.jpg:written",
                                      "Done:3.jpg:written"}));
  EXPECT_EQ(made->StoppedAt(), "/p/2.jpg");
  EXPECT_EQ(app::OutcomeCountText(made->Outcomes()).substr(0, 9), "2 written");
}

}  // namespace
}  // namespace velmora::test
