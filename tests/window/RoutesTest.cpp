// The ways files reach the window: dropped on it, picked in the picture
// dialog, or named on the command line; and what the user sees when a file or
// the settings cannot be written.
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "JpegBuilder.h"
#include "WindowFixture.h"
#include "window/Boxes.h"
#include "window/GtkFunction.h"
#include "window/TextConversion.h"

namespace velmora::test {
namespace {

const std::vector<std::string> kPhotos{"et-GoPro.jpg", "et-InfiRay.jpg", "et-ExifTool.jpg"};

class WindowRoutes : public WindowTest {
 protected:
  // Copies the three photos under the given names.
  void Photos(const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) CopyPhoto(kPhotos[i % kPhotos.size()], names[i]);
  }
  std::vector<std::string> Paths(const std::vector<std::string>& names) const {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(PhotoPath(name));
    return paths;
  }
  // The file header lines of the log, in order.
  std::vector<std::string> LoggedFiles() const {
    std::vector<std::string> headers;
    for (const std::string& line : LogLines())
      if (line.rfind("-----<", 0) == 0) headers.push_back(line);
    return headers;
  }
  std::string FileNameLabel() const { return window::ToUtf8(Control("LabelFileName")->GetLabel()); }
  void Click(const char* name) {
    wxCommandEvent click(wxEVT_BUTTON, Control(name)->GetId());
    click.SetEventObject(Control(name));
    Control(name)->HandleWindowEvent(click);
    Settle();
  }
};

// The user has set both settings-only options in the file by hand.
TEST_F(WindowRoutes, OptionsOnlyInTheSettingsFileReachTheDroppedFiles) {
  using velmora::test::JpegBuilder;
  const std::vector<uint8_t> icc = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F',
                                    'I', 'L', 'E', 0,   1,   1,   'p'};
  const std::vector<uint8_t> photo =
      JpegBuilder()
          .SOI()
          .Segment(0xFFE1, velmora::test::ExifWithOrientation(false, 6))
          .Segment(0xFFE2, icc)
          .Segment(0xFFE2, {'M', 'P', 'F', 0})
          .DQT()
          .SOF0()
          .SOS()
          .Data(200)
          .EOI()
          .Build();
  std::ofstream(PhotoPath("p.jpg"), std::ios::binary)
      .write(reinterpret_cast<const char*>(photo.data()),
             static_cast<std::streamsize>(photo.size()));
  WriteSettings("[CONFIG]\r\nWrite_Comment=0\r\nKeep_Orientation=1\r\nKeep_ICC=1\r\n");
  ASSERT_TRUE(StartWindow());
  Drop({PhotoPath("p.jpg")});

  // Start of image, the orientation alone (little-endian, as the input), the
  // profile chunk; the multi-picture index is gone.
  const std::string expectedStart = std::string(
                                        "\xFF\xD8\xFF\xE1\x00\x22"
                                        "Exif\0\0II\x2A\x00\x08\x00\x00\x00\x01\x00"
                                        "\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00"
                                        "\x00\x00\x00\x00"
                                        "\xFF\xE2\x00\x11",
                                        42) +
                                    std::string(icc.begin(), icc.end()) + "\xFF\xDB";
  const std::string out = ReadFile(PhotoPath("p.jpg"));
  EXPECT_EQ(out.substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(out.find("MPF"), std::string::npos);
}

TEST_F(WindowRoutes, DroppedFilesAreStrippedInTheOrderTheDesktopDelivers) {
  const std::string longName =
      "a rather long name for a photo taken on the last day of the trip.jpg";
  const std::vector<std::string> names{"c.jpg", "写真 a.jpg", longName};
  Photos(names);
  ASSERT_TRUE(StartWindow());

  // Once on the window itself, once on the log pane, which forwards its drops.
  for (const char* target : {static_cast<const char*>(nullptr), "Memo1"}) {
    SCOPED_TRACE(target ? target : "window");
    // A stripped file is not written again: each drop gets fresh photos.
    for (const std::string& path : Paths(names)) std::filesystem::remove(path);
    Photos(names);
    saves.clear();
    Drop(Paths(names), target);
    EXPECT_EQ(saves, Paths(names));
    EXPECT_EQ(LoggedFiles(),
              (std::vector<std::string>{"-----<c.jpg>-----", "-----<写真 a.jpg>-----",
                                        "-----<" + longName + ">-----"}));
    // The label holds the whole name; it is shortened on screen, not cut.
    EXPECT_EQ(FileNameLabel(), longName);
  }
  for (const std::string& path : Paths(names)) EXPECT_FALSE(HasExif(path)) << path;

  // Each file's block ends with its last marker and two empty lines.
  const std::vector<std::string> lines = LogLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("-----<", 0) != 0 || i == 0) continue;
    ASSERT_GE(i, 3u);
    EXPECT_EQ(lines[i - 1], "");
    EXPECT_EQ(lines[i - 2], "");
    EXPECT_NE(lines[i - 3], "");
  }
  // Then the batch's summary.
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{
                "", "", "Summary: 3 written, 0 already clean, 0 not written, 0 not handled."}));
}

TEST_F(WindowRoutes, ADropDuringABatchRunsAfterItAsABatchOfItsOwn) {
  const std::vector<std::string> names{"first1.jpg", "first2.jpg", "second.jpg"};
  Photos(names);
  ASSERT_TRUE(StartWindow());

  // The second drop arrives while the first file's message pump runs, under
  // the busy cursor that the batch shows until its first file is analysed.
  bool busyDuringFirstFile = false;
  DuringNextBatch([&] {
    busyDuringFirstFile = wxIsBusy();
    Drop({PhotoPath("second.jpg")});
  });
  Drop({PhotoPath("first1.jpg"), PhotoPath("first2.jpg")});
  ASSERT_TRUE(WaitFor([&] { return saves.size() == 3; }));
  EXPECT_TRUE(busyDuringFirstFile);
  EXPECT_FALSE(wxIsBusy());

  EXPECT_EQ(saves, Paths(names));
  EXPECT_EQ(LoggedFiles(), std::vector<std::string>{"-----<second.jpg>-----"});
  EXPECT_EQ(chime.requests.size(), 2u) << "one chime per batch";
}

TEST_F(WindowRoutes, CloseBeforeABatchsFirstFileStopsItAndTheWindowGoes) {
  const std::vector<std::string> names{"a.jpg", "b.jpg", "c.jpg"};
  Photos(names);
  ASSERT_TRUE(StartWindow());

  DuringNextBatch([this] { Click("ButtonClose"); });  // clicked before "a.jpg" begins
  Drop(Paths(names));
  EXPECT_TRUE(saves.empty());
  for (const std::string& path : Paths(names)) EXPECT_TRUE(HasExif(path)) << path;
  EXPECT_FALSE(Setting("Write_JFIF").empty()) << "the close wrote the settings";
  EXPECT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }));
}

TEST_F(WindowRoutes, AFileThatIsNotAJpegGetsAWarningBoxAndTheBatchGoesOn) {
  Photos({"photo.jpg"});
  std::ofstream(PhotoPath("notes.txt")) << "just text";
  ASSERT_TRUE(StartWindow());

  TBox box;
  wxTEST_DIALOG(Drop({PhotoPath("notes.txt"), PhotoPath("photo.jpg")}), TExpectBox(box));
  EXPECT_EQ(box.caption, "Warning");
  EXPECT_EQ(box.message, "Strip error.\n<notes.txt> ");
  EXPECT_EQ(box.okLabel, "OK");
  EXPECT_EQ(box.icon, wxICON_WARNING);
  EXPECT_EQ(box.buttons, wxOK);
  EXPECT_EQ(ReadFile(PhotoPath("notes.txt")), "just text");
  EXPECT_EQ(saves, std::vector<std::string>{PhotoPath("photo.jpg")});
}

TEST_F(WindowRoutes, AFailedSaveStopsTheBatchWithTheErrorReportAndTheWindowGoesOn) {
  const std::vector<std::string> names{"a.jpg", "b.jpg", "c.jpg", "later.jpg"};
  Photos(names);
  ASSERT_TRUE(StartWindow());
  refusedSaves.insert(PhotoPath("b.jpg"));

  // A drop queued behind the failing batch still runs after the report.
  DuringNextBatch([this] { Drop({PhotoPath("later.jpg")}); });
  TBox box;
  wxTEST_DIALOG(Drop(Paths({"a.jpg", "b.jpg", "c.jpg"})), TExpectBox(box));
  EXPECT_EQ(box.caption, "velmora_window_tests");
  EXPECT_EQ(box.message, PhotoPath("b.jpg") + ": refused by the test.");
  EXPECT_EQ(box.okLabel, "OK");
  EXPECT_EQ(box.icon, wxICON_ERROR);
  EXPECT_EQ(box.buttons, wxOK);
  EXPECT_TRUE(HasExif(PhotoPath("c.jpg"))) << "the file after the failure is not handled";

  ASSERT_TRUE(WaitFor([&] { return saves.size() == 2; }));
  EXPECT_EQ(saves, Paths({"a.jpg", "later.jpg"}));
  EXPECT_TRUE(Window().IsShown());
}

// Picks the files in the dialog, after checking how the dialog was set up,
// and tells which files the dialog then gives, in its order.
class TExpectPictureDialog : public wxExpectModalBase<wxFileDialog, TExpectPictureDialog> {
 public:
  TExpectPictureDialog(std::vector<std::string> paths, int answer,
                       std::vector<std::string>* given = nullptr)
      : paths_(std::move(paths)), answer_(answer), given_(given) {}

 protected:
  int OnInvoked(wxFileDialog* dialog) const override {
    EXPECT_EQ(window::ToUtf8(dialog->GetWildcard()),
              "JPEG files (*.jpg;*.jpeg)|*.[jJ][pP][gG];*.[jJ][pP][eE][gG]|All files (*.*)|*.*")
        << "GTK matches with letter case, so every letter is given in both";
    EXPECT_EQ(dialog->GetFilterIndex(), 0);
    EXPECT_TRUE(dialog->HasFlag(wxFD_MULTIPLE));
    EXPECT_TRUE(dialog->HasFlag(wxFD_PREVIEW));
    EXPECT_FALSE(dialog->HasFlag(wxFD_FILE_MUST_EXIST));
    if (paths_.empty()) return answer_;
    // The chooser selects files once it has read their folder. Several are
    // picked as a user picks a whole folder: the first, then all of them
    // (the test's folder holds just these).
    dialog->SetPath(window::ToWx(paths_.front()));
    using TSelectAll = void (*)(void*);
    const auto selectAll = window::GtkFunction<TSelectAll>("gtk_file_chooser_select_all");
    wxArrayString paths;
    for (int waited = 0; waited < 5000 && paths.size() < paths_.size(); waited += 10) {
      if (!paths.empty() && selectAll != nullptr) selectAll(dialog->GetHandle());
      wxYield();
      wxMilliSleep(10);
      dialog->GetPaths(paths);
    }
    EXPECT_EQ(paths.size(), paths_.size()) << "the chooser selected every file";
    if (given_ != nullptr)
      for (const wxString& path : paths) given_->push_back(window::PathFromWx(path));
    return answer_;
  }

 private:
  std::vector<std::string> paths_;
  int answer_;
  std::vector<std::string>* given_;
};

TEST_F(WindowRoutes, LoadPictureStripsTheFilesPickedInTheDialog) {
  Photos({"picked.jpg", "earlier.jpg"});
  ASSERT_TRUE(StartWindow());
  Drop({PhotoPath("earlier.jpg")});

  // Cancelled: the previous batch's lines stay, nothing plays.
  chime.requests.clear();
  wxTEST_DIALOG(Click("ButtonLoad"), TExpectPictureDialog({}, wxID_CANCEL));
  EXPECT_EQ(LoggedFiles(), std::vector<std::string>{"-----<earlier.jpg>-----"});
  EXPECT_TRUE(chime.requests.empty());

  wxTEST_DIALOG(Click("ButtonLoad"), TExpectPictureDialog({PhotoPath("picked.jpg")}, wxID_OK));
  EXPECT_EQ(LoggedFiles(), std::vector<std::string>{"-----<picked.jpg>-----"});
  EXPECT_EQ(saves.back(), PhotoPath("picked.jpg"));
}

TEST_F(WindowRoutes, SeveralPickedFilesAreStrippedInTheDialogsOrder) {
  const std::vector<std::string> names{"z.jpg", "m.jpg", "a.jpg"};
  Photos(names);
  ASSERT_TRUE(StartWindow());
  std::vector<std::string> given;
  wxTEST_DIALOG(Click("ButtonLoad"), TExpectPictureDialog(Paths(names), wxID_OK, &given));
  std::vector<std::string> picked = given;
  std::vector<std::string> expected = Paths(names);
  std::sort(picked.begin(), picked.end());
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(picked, expected);
  EXPECT_EQ(saves, given);
  std::vector<std::string> logged;
  for (const std::string& path : given)
    logged.push_back("-----<" + std::filesystem::path(path).filename().string() + ">-----");
  EXPECT_EQ(LoggedFiles(), logged);
}

TEST_F(WindowRoutes, CommandLineFilesAreStrippedThenTheWindowClosesAndSavesTheSettings) {
  Photos({"one.jpg", "two.jpg"});
  const std::vector<std::string> set{"Write_JFIF=1", "Write_APP14=0", "Wave_Sound=7", "Keep_ICC=1"};
  std::string settings = "[CONFIG]\n";
  for (const std::string& line : set) settings += line + "\n";
  WriteSettings(settings);
  EXPECT_FALSE(StartWindow(Paths({"one.jpg", "two.jpg"})));
  EXPECT_EQ(saves, Paths({"one.jpg", "two.jpg"}));
  EXPECT_EQ(chime.requests, std::vector<std::string>{"sync:7"}) << "played to its end";
  EXPECT_EQ(ReadSettings(), WrittenSettings(set)) << "the values read are written back";
  EXPECT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }));
}

TEST_F(WindowRoutes, ACommandLineFileThatCannotBeWrittenLeavesTheWindowOpen) {
  Photos({"one.jpg", "two.jpg", "three.jpg"});
  refusedSaves.insert(PhotoPath("two.jpg"));
  TBox box;
  bool open = false;
  wxTEST_DIALOG(open = StartWindow(Paths({"one.jpg", "two.jpg", "three.jpg"})), TExpectBox(box));
  EXPECT_TRUE(open);
  EXPECT_EQ(box.message, PhotoPath("two.jpg") + ": refused by the test.");
  EXPECT_TRUE(box.onShownWindow) << "no box before the window is on screen";
  EXPECT_TRUE(Window().IsShownOnScreen());
  EXPECT_EQ(FileNameLabel(), "two.jpg") << "not left on Analyzing...";
  EXPECT_EQ(LoggedFiles(),
            (std::vector<std::string>{"-----<one.jpg>-----", "-----<two.jpg>-----"}));
  EXPECT_TRUE(chime.requests.empty());
  EXPECT_FALSE(std::filesystem::exists(SettingsFile())) << "not closed, so not written yet";
  EXPECT_TRUE(HasExif(PhotoPath("three.jpg")));
}

// A file left as it was keeps the window open after the command-line batch,
// with the reason in the log; its warning box sits on the window.
TEST_F(WindowRoutes, ACommandLineFileLeftAsItWasKeepsTheWindowOpenWithItsReason) {
  Photos({"one.jpg"});
  std::ofstream(PhotoPath("picture.jpg"), std::ios::binary) << "\x89PNG\r\n\x1A\n";
  TBox box;
  bool open = false;
  wxTEST_DIALOG(open = StartWindow(Paths({"one.jpg", "picture.jpg"})), TExpectBox(box));
  EXPECT_TRUE(open);
  EXPECT_EQ(box.message, "Strip error.\n<picture.jpg> ");
  EXPECT_TRUE(box.onShownWindow);
  EXPECT_TRUE(Window().IsShownOnScreen());
  EXPECT_EQ(saves, Paths({"one.jpg"}));
  const std::vector<std::string> log = LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "  *** Must be PNG file. Marker=$8950"), log.end());
  EXPECT_EQ(chime.requests, std::vector<std::string>{"sync:16"});
}

TEST_F(WindowRoutes, SettingsThatCannotBeWrittenKeepTheWindowOpenUntilTheyCan) {
  ASSERT_TRUE(StartWindow());
  std::filesystem::create_directories(SettingsFile());  // a folder where the file goes

  TBox box;
  wxTEST_DIALOG(Click("ButtonClose"), TExpectBox(box));
  EXPECT_EQ(box.caption, "velmora_window_tests");
  EXPECT_EQ(box.icon, wxICON_ERROR);
  EXPECT_EQ(box.buttons, wxOK);
  EXPECT_EQ(box.message.back(), '.');
  Pump();
  ASSERT_NE(Host().Window(), nullptr);
  EXPECT_FALSE(Window().IsClosed());
  EXPECT_TRUE(Window().IsShown());

  std::filesystem::remove(SettingsFile());
  static_cast<wxCheckBox*>(Control("CheckBoxJFIF"))->SetValue(true);
  Click("ButtonClose");
  EXPECT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }));
  EXPECT_EQ(ReadSettings(), WrittenSettings({"Write_JFIF=1"})) << "the window's options";
}

TEST_F(WindowRoutes, ASettingsFolderThatCannotBeMadeIsReportedWithAnAbortBoxAndTheWindowCloses) {
  ASSERT_TRUE(StartWindow());
  std::ofstream(SettingsFile().parent_path()) << "a file where the folder goes";

  TBox box;
  wxTEST_DIALOG(Click("ButtonClose"), TExpectBox(box));
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.okLabel, "&Abort");
  EXPECT_EQ(box.icon, wxICON_ERROR);
  EXPECT_EQ(box.buttons, wxOK);
  EXPECT_EQ(box.message, "<" + SettingsFile().parent_path().string() +
                             "/> creation error.\nConfigurations may not be saved.");
  EXPECT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }));
}

}  // namespace
}  // namespace velmora::test
