// The window in a desktop session, used as a person uses it: a window
// manager on the display, real mouse and keys through XTEST (xdotool), a real
// drag from another program, and a second launch of the program.
#include <sys/stat.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "DesktopFixture.h"
#include "window/TextConversion.h"

namespace velmora::test {
namespace {

class DesktopSession : public DesktopTest {
 protected:
  std::vector<std::string> Paths(const std::vector<std::string>& names) const {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(PhotoPath(name));
    return paths;
  }
  void Photos(const std::vector<std::string>& names) {
    const char* photos[] = {"et-GoPro.jpg", "et-InfiRay.jpg", "et-ExifTool.jpg"};
    for (size_t i = 0; i < names.size(); ++i) CopyPhoto(photos[i % 3], names[i]);
  }
  // The screen position of the middle of `rect`.
  static std::pair<int, int> Middle(const wxRect& rect) {
    return {rect.x + rect.width / 2, rect.y + rect.height / 2};
  }
  // Starts the drag program offering `paths`; its window id.
  std::string StartDragSource(const std::vector<std::string>& paths, const std::string& printed) {
    std::vector<std::string> argv{VELMORA_GTK_PYTHON, VELMORA_DRAG_SOURCE, "900", "80"};
    argv.insert(argv.end(), paths.begin(), paths.end());
    dragSource_ = Start(argv, printed);
    EXPECT_TRUE(
        WaitFor([&] { return ReadFile(printed).find("ready") != std::string::npos; }, 20000))
        << "the drag program did not show its window";
    return WindowNamed("drag-source");
  }
  void EndDragSource() {
    kill(dragSource_, SIGTERM);
    Finish(dragSource_);
  }
  // True when the log pane is scrolled to its end.
  bool LogAtLastLine() const {
    const wxWindow* memo = Control("Memo1");
    return memo->GetScrollPos(wxVERTICAL) + memo->GetScrollThumb(wxVERTICAL) >=
           memo->GetScrollRange(wxVERTICAL);
  }
  std::string FileHeaders() const {
    std::string headers;
    for (const std::string& line : LogLines())
      if (line.rfind("-----<", 0) == 0) headers += line + "\n";
    return headers;
  }

 private:
  pid_t dragSource_ = -1;
};

TEST_F(DesktopSession, FilesDraggedFromAnotherProgramLandOnTheLogTwiceAndOnThePicture) {
  struct TDrop {
    const char* target;
    std::vector<std::string> names;
  };
  const std::vector<TDrop> drops{{"Memo1", {"a1.jpg", "a2.jpg", "a3.jpg"}},
                                 {"Memo1", {"b1.jpg", "b2.jpg", "b3.jpg"}},
                                 {"Image1", {"c1.jpg", "c2.jpg", "c3.jpg"}}};
  for (const TDrop& drop : drops) Photos(drop.names);
  ASSERT_TRUE(StartWindow());
  ASSERT_TRUE(Activate(XidOf(Window()))) << "the window is on screen";

  for (size_t i = 0; i < drops.size(); ++i) {
    const TDrop& drop = drops[i];
    SCOPED_TRACE(std::to_string(i + 1) + ". drop, on " + drop.target);
    saves.clear();
    const std::string printed = OutputFile("drag-" + std::to_string(i) + ".txt");
    const std::string source = StartDragSource(Paths(drop.names), printed);
    ASSERT_FALSE(source.empty());
    const auto [fromX, fromY] = Middle(Geometry(source));
    const auto [toX, toY] = Middle(Control(drop.target)->GetScreenRect());
    DragWithMouse(fromX, fromY, toX, toY, printed);

    EXPECT_TRUE(WaitFor(
        [&] { return saves.size() == drop.names.size() && !Host().Form().BatchRunning(); }, 30000));
    EXPECT_EQ(saves, Paths(drop.names)) << "stripped in the order of the drag";
    EXPECT_TRUE(WaitFor([&] { return ReadFile(printed).find("end") != std::string::npos; }, 10000))
        << "the dragging program heard that the drop finished";
    EXPECT_EQ(ReadFile(printed).find("failed"), std::string::npos) << ReadFile(printed);
    EXPECT_EQ(FileHeaders(), "-----<" + drop.names[0] + ">-----\n-----<" + drop.names[1] +
                                 ">-----\n-----<" + drop.names[2] + ">-----\n");
    EXPECT_TRUE(WaitFor([&] { return LogAtLastLine(); }, 5000)) << "the log shows its end";
    EndDragSource();
  }
}

// Sets an environment variable for one scope (nullptr: unsets it).
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~TScopedEnv() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

TEST_F(DesktopSession, ASecondLaunchHandsItsFilesToTheOpenWindowWhichComesToTheFront) {
  Photos({"a.jpg", "b.jpg", "c.jpg"});
  std::ofstream(PhotoPath("notes.txt")) << "just text";
  const std::string runtime = OutputFile("run");
  ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
  const TScopedEnv session("XDG_RUNTIME_DIR", runtime.c_str());
  const TScopedEnv sound("SDL_AUDIODRIVER", "dummy");
  const std::string folder = std::filesystem::path(PhotoPath("a.jpg")).parent_path().string();

  const pid_t first = Start({VELMORA_PROGRAM}, OutputFile("first.txt"), folder);
  const std::string window = WindowNamed("Velmora");
  ASSERT_FALSE(window.empty());
  const auto active = [&](const std::string& id) {
    return WaitFor([&] { return Xdo({"getactivewindow"}, true) == id; }, 10000);
  };
  // Another program is in front, as the file manager would be.
  const std::string other = StartDragSource({}, OutputFile("other.txt"));
  ASSERT_TRUE(Activate(other));

  // Two photos opened from a shell in their folder.
  EXPECT_EQ(Finish(Start({VELMORA_PROGRAM, "a.jpg", "b.jpg"}, OutputFile("second.txt"), folder)),
            0);
  EXPECT_TRUE(
      WaitFor([&] { return !HasExif(PhotoPath("a.jpg")) && !HasExif(PhotoPath("b.jpg")); }, 30000))
      << "the running window stripped both";
  EXPECT_TRUE(active(window)) << "the window came to the front";

  // Started without files, a second copy only brings the window forward.
  ASSERT_TRUE(Activate(other));
  EXPECT_EQ(Finish(Start({VELMORA_PROGRAM}, OutputFile("third.txt"), folder)), 0);
  EXPECT_TRUE(active(window));

  // A launch with a file that is not a JPEG: the window shows its warning.
  // A launch while the box is open is taken too, and runs once it is closed.
  EXPECT_EQ(Finish(Start({VELMORA_PROGRAM, "notes.txt"}, OutputFile("fourth.txt"), folder)), 0);
  std::string box;
  ASSERT_TRUE(WaitFor(
      [&] {
        box = Xdo({"getactivewindow"}, true);
        return !box.empty() && box != window;
      },
      20000))
      << "the warning box is in front";
  EXPECT_EQ(Finish(Start({VELMORA_PROGRAM, "c.jpg"}, OutputFile("fifth.txt"), folder)), 0);
  EXPECT_TRUE(HasExif(PhotoPath("c.jpg"))) << "not while the box waits";
  Xdo({"key", "Return"});
  EXPECT_TRUE(WaitFor([&] { return !HasExif(PhotoPath("c.jpg")); }, 30000));

  // The user closes the window with Esc; the first copy ends as usual.
  ASSERT_TRUE(Activate(window));
  Xdo({"key", "Escape"});
  EXPECT_EQ(Finish(first), 0);
}

TEST_F(DesktopSession, AFreshAccountClosesWithOneEscAndKeepsItsSettings) {
  // An account that has never had a configuration folder.
  const std::string home = OutputFile("home");
  std::filesystem::create_directories(home);
  const TScopedEnv noConfig("XDG_CONFIG_HOME", nullptr);
  const TScopedEnv homeFolder("HOME", home.c_str());
  ASSERT_TRUE(StartWindow());
  const std::string window = XidOf(Window());
  ASSERT_TRUE(Activate(window));
  Xdo({"key", "Escape"});

  EXPECT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }, 10000)) << "closed at once";
  const std::string settings =
      home + "/.config/BRESKO/" +
      platform::ExecutablePath().substr(platform::ExecutablePath().rfind('/') + 1) + ".ini";
  EXPECT_EQ(ReadFile(settings), WrittenSettings()) << settings;
  struct stat st {};
  ASSERT_EQ(stat((home + "/.config").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
}

TEST_F(DesktopSession, ThePictureDialogListsJpegFilesInAnyLetterCase) {
  const std::vector<std::string> jpegs{"x.jpg", "Y.JPG", "z.jpeg", "W.JPEG"};
  Photos(jpegs);
  std::ofstream(PhotoPath("notes.txt")) << "not a picture";
  const TScopedEnv sound("SDL_AUDIODRIVER", "dummy");
  const std::string folder = std::filesystem::path(PhotoPath("x.jpg")).parent_path().string();

  const pid_t program = Start({VELMORA_WINDOW_PROBE}, OutputFile("program.txt"), folder);
  const std::string window = WindowNamed("Velmora");
  ASSERT_FALSE(window.empty());
  ASSERT_TRUE(Activate(window));
  // "Load picture" is at 32, 8 and 75 x 25 in the window.
  Xdo({"mousemove", "--window", window, "69", "20", "click", "1"});
  std::string dialog;
  ASSERT_TRUE(WaitFor([&] {
    dialog = Xdo({"getactivewindow"}, true);
    return !dialog.empty() && dialog != window;
  })) << "the dialog opened";
  // Everything the dialog lists in the program's folder, picked at once. The
  // dialog fills its list a moment after it shows; keys that come before pick
  // nothing and leave it open, so they are given again until it closes.
  ASSERT_TRUE(WaitFor([&] {
    Xdo({"key", "ctrl+a", "key", "Return"});
    return WaitFor([&] { return Xdo({"getactivewindow"}, true) != dialog; }, 2000);
  })) << "the dialog took the files";

  for (const std::string& name : jpegs)
    EXPECT_TRUE(WaitFor([&] { return !HasExif(PhotoPath(name)); }, 20000)) << name;
  EXPECT_EQ(ReadFile(PhotoPath("notes.txt")), "not a picture");
  ASSERT_TRUE(Activate(window));
  Xdo({"key", "Escape"});
  EXPECT_EQ(Finish(program), 0);
}

TEST_F(DesktopSession, TheChimeNumberFieldsButtonsTakeClicksBesideItsCaption) {
  WriteSettings("[CONFIG]\r\nWave_Sound=16\r\nWave_Change=1\r\n");
  ASSERT_TRUE(StartWindow());
  const std::string window = XidOf(Window());
  ASSERT_TRUE(Activate(window));
  const wxRect field = Control("SpinEditSound")->GetScreenRect();
  EXPECT_FALSE(Control("LabelSound")->GetScreenRect().Intersects(field)) << "caption uncovered";

  // Plus at the right end of the field, minus to its left: each one click.
  const int y = field.y + field.height / 2;
  const struct {
    int x;
    int number;
  } clicks[] = {
      {field.GetRight() - 5, 17}, {field.GetRight() - 5, 18}, {field.GetRight() - 21, 17}};
  for (const auto& click : clicks) {
    chime.requests.clear();
    Xdo({"mousemove", std::to_string(click.x), std::to_string(y), "click", "1"});
    EXPECT_TRUE(WaitFor([&] { return !chime.requests.empty(); }, 5000));
    EXPECT_EQ(Window().SoundValue(), click.number);
  }
}

}  // namespace
}  // namespace velmora::test
