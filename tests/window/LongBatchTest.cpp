// A long batch in a desktop session, and the user acting in the middle of it
// with real input (XTEST through xdotool, a drag from another program): the
// window answers while a file is in hand. The shared fixture makes a batch of
// camera-size photos and holds the save of one of them until the test lets
// it go, so that "in the middle of the batch" is a fact the test waits for,
// not a moment it hopes to hit.
#include <sys/stat.h>
#include <wx/checkbox.h>
#include <wx/dnd.h>
#include <wx/textctrl.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>

#include "DesktopFixture.h"
#include "JpegBuilder.h"
#include "window/TextConversion.h"

namespace velmora::test {
namespace {

using TClock = std::chrono::steady_clock;

// Holds the file work at the save of one file until released.
class TSaveGate {
 public:
  void HoldAt(const std::string& path) {
    const std::lock_guard<std::mutex> lock(mutex_);
    held_ = path;
    reached_ = false;
    open_ = false;
  }
  // On the file work's thread.
  void Pass(const std::string& path) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (path != held_) return;
    reached_ = true;
    opened_.wait(lock, [this] { return open_; });
  }
  bool Reached() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return reached_;
  }
  void Release() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  std::string held_;
  bool reached_ = false;
  bool open_ = false;
};

class LongBatch : public DesktopTest {
 protected:
  static constexpr int kFiles = 24;
  static constexpr int kHeld = 3;  // the file whose save waits for the test

  void SetUp() override {
    DesktopTest::SetUp();
    beforeSave = [this](const std::string& path) { gate_.Pass(path); };
  }
  void TearDown() override {
    gate_.Release();  // a failed test must not leave the work waiting
    DesktopTest::TearDown();
  }

  // kFiles photos of 3 MB with an Exif segment, "<prefix>01.jpg" upward.
  std::vector<std::string> MakePhotos(const std::string& prefix, int count = kFiles) {
    static const std::vector<uint8_t> photo =
        JpegBuilder().SOI().APP1(4000).DQT().SOF0().DHT().SOS().Data(3 << 20).EOI().Build();
    std::vector<std::string> paths;
    for (int i = 1; i <= count; ++i) {
      char name[64];
      std::snprintf(name, sizeof(name), "%s%02d.jpg", prefix.c_str(), i);
      paths.push_back(PhotoPath(name));
      std::ofstream(paths.back(), std::ios::binary)
          .write(reinterpret_cast<const char*>(photo.data()),
                 static_cast<std::streamsize>(photo.size()));
    }
    original_ = ReadFile(paths.front());
    return paths;
  }

  // Opens the window, drops `paths` on it as the desktop would and waits until
  // the file kHeld is being saved: the batch is then in its middle.
  void StartBatchHeldAtItsMiddle(const std::vector<std::string>& paths) {
    gate_.HoldAt(paths[kHeld - 1]);
    ASSERT_TRUE(StartWindow());
    window_ = XidOf(Window());
    ASSERT_TRUE(Activate(window_));
    auto* target = dynamic_cast<wxFileDropTarget*>(Window().GetDropTarget());
    ASSERT_NE(target, nullptr);
    wxArrayString names;
    for (const std::string& path : paths) names.Add(window::ToWx(path));
    target->OnDropFiles(10, 10, names);
    ASSERT_TRUE(WaitFor([&] { return gate_.Reached(); }, 60000)) << "the batch reached its middle";
    ASSERT_TRUE(WaitFor([&] { return Title() == Progress(kHeld, paths.size()) + "Velmora"; }))
        << Title();
  }

  void Release() { gate_.Release(); }
  std::string Title() const { return window::ToUtf8(Window().GetTitle()); }
  static std::string Progress(int n, size_t m) {
    return std::to_string(n) + " of " + std::to_string(m) + ": ";
  }
  // Waits until no batch runs or waits; false when it never ends.
  bool BatchEnded() {
    return WaitFor([&] { return !Host().Form().BatchRunning(); }, 60000);
  }
  bool Untouched(const std::string& path) const { return ReadFile(path) == original_; }
  static bool HasJfif(const std::string& path) {
    return ReadFile(path).compare(6, 5, std::string("JFIF\0", 5)) == 0;
  }
  // Milliseconds since `start`.
  static long long Since(TClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
  }
  void ClickOn(const char* name) {
    const wxRect rect = Control(name)->GetScreenRect();
    Xdo({"mousemove", std::to_string(rect.x + 6), std::to_string(rect.y + rect.height / 2), "click",
         "1"});
  }

  std::string window_;

 private:
  TSaveGate gate_;
  std::string original_;
};

TEST_F(LongBatch, AClickOnACheckBoxTicksItAtOnceAndTheFilesBegunAfterItFollowIt) {
  const std::vector<std::string> paths = MakePhotos("photo-");
  StartBatchHeldAtItsMiddle(paths);
  EXPECT_EQ(window::ToUtf8(Control("LabelFileName")->GetLabel()),
            Progress(kHeld, paths.size()) + "photo-03.jpg");

  auto* jfif = static_cast<wxCheckBox*>(Control("CheckBoxJFIF"));
  ASSERT_FALSE(jfif->GetValue());
  const TClock::time_point clicked = TClock::now();
  ClickOn("CheckBoxJFIF");
  EXPECT_TRUE(WaitFor([&] { return jfif->GetValue(); }, 10000)) << "ticked while a file is in hand";
  std::cout << "[ measured ] click to ticked box, mid-batch: " << Since(clicked) << " ms\n";
  RecordProperty("click_to_effect_ms", std::to_string(Since(clicked)));
  Release();

  ASSERT_TRUE(BatchEnded());
  EXPECT_EQ(Title(), "Velmora");
  for (size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(paths[i]);
    EXPECT_FALSE(HasExif(paths[i]));
    EXPECT_EQ(HasJfif(paths[i]), static_cast<int>(i) >= kHeld) << "from the file after the click";
  }
  EXPECT_EQ(Control("LabelFileName")->GetLabel(), "photo-24.jpg");
}

TEST_F(LongBatch, FilesDraggedInMidBatchAreTakenAtOnceAndRunAfterIt) {
  const std::vector<std::string> paths = MakePhotos("photo-");
  const std::vector<std::string> more = MakePhotos("more-", 2);
  StartBatchHeldAtItsMiddle(paths);

  const std::string printed = OutputFile("drag.txt");
  std::vector<std::string> argv{VELMORA_GTK_PYTHON, VELMORA_DRAG_SOURCE, "900", "80"};
  argv.insert(argv.end(), more.begin(), more.end());
  const pid_t source = Start(argv, printed);
  ASSERT_TRUE(WaitFor([&] { return ReadFile(printed).find("ready") != std::string::npos; }, 20000));
  const std::string sourceWindow = WindowNamed("drag-source");
  ASSERT_FALSE(sourceWindow.empty());
  const wxRect sourceRect = Geometry(sourceWindow);
  const wxRect log = Control("Memo1")->GetScreenRect();
  DragWithMouse(sourceRect.x + 40, sourceRect.y + 40, log.x + log.width / 2, log.y + log.height / 2,
                printed);

  EXPECT_TRUE(WaitFor([&] { return ReadFile(printed).find("end") != std::string::npos; }, 20000));
  EXPECT_EQ(ReadFile(printed).find("failed"), std::string::npos) << ReadFile(printed);
  EXPECT_TRUE(WaitFor([&] { return Title() == Progress(kHeld, paths.size() + 2) + "Velmora"; }))
      << "the dropped files count in the progress: " << Title();
  EXPECT_TRUE(HasExif(more[0])) << "queued, not run inside the batch";
  Release();

  ASSERT_TRUE(BatchEnded());
  for (const std::string& path : paths) EXPECT_FALSE(HasExif(path)) << path;
  for (const std::string& path : more) EXPECT_FALSE(HasExif(path)) << path;
  kill(source, SIGTERM);
  Finish(source);
}

TEST_F(LongBatch, EscStopsAfterTheFileInHandLeavesTheRestAndSaysHowMany) {
  const std::vector<std::string> paths = MakePhotos("photo-");
  StartBatchHeldAtItsMiddle(paths);

  const TClock::time_point pressed = TClock::now();
  Xdo({"key", "Escape"});
  ASSERT_TRUE(WaitFor([&] { return Title() == "Stopping: Velmora"; }, 10000)) << Title();
  const long long acknowledged = Since(pressed);
  const TClock::time_point released = TClock::now();
  Release();
  ASSERT_TRUE(BatchEnded());
  std::cout << "[ measured ] Esc to \"Stopping\" in the title, mid-batch: " << acknowledged
            << " ms; then the file in hand ended and the batch stopped in " << Since(released)
            << " ms\n";
  RecordProperty("esc_to_stopping_ms", std::to_string(acknowledged));

  EXPECT_EQ(Title(), "Velmora");
  for (size_t i = 0; i < paths.size(); ++i) {
    SCOPED_TRACE(paths[i]);
    EXPECT_EQ(Untouched(paths[i]), static_cast<int>(i) >= kHeld);
  }
  const std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], "  *** Batch stopped by the user: 21 files not handled.");
  EXPECT_EQ(lines.back(), "Summary: 3 written, 0 already clean, 0 not written, 21 not handled.");
  EXPECT_TRUE(chime.requests.empty()) << "no chime for a stopped batch";
  EXPECT_TRUE(Window().IsShown()) << "Esc during a batch does not close";

  Xdo({"key", "Escape"});  // idle, Esc closes as before
  EXPECT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }, 10000));
}

TEST_F(LongBatch, ClosingMidBatchHidesTheWindowAtOnceAndStopsAfterTheFileInHand) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> closes{
      {"the Close button", {}}, {"Alt+F4", {"key", "alt+F4"}}};
  for (const auto& [how, keys] : closes) {
    SCOPED_TRACE(how);
    const std::vector<std::string> paths = MakePhotos(how == "Alt+F4" ? "keyed-" : "clicked-");
    StartBatchHeldAtItsMiddle(paths);
    if (keys.empty()) {
      ClickOn("ButtonClose");
    } else {
      // The window manager sends keys to the active window: a fresh window
      // may not be that yet.
      ASSERT_TRUE(Activate(XidOf(Window())));
      Xdo(keys);
    }
    EXPECT_TRUE(WaitFor([&] { return !Window().IsShown(); }, 10000)) << "gone from the screen";
    Release();
    ASSERT_TRUE(WaitFor([&] { return Host().Window() == nullptr; }, 60000)) << "closed";
    EXPECT_FALSE(Setting("Write_JFIF").empty()) << "the close wrote the settings";
    for (size_t i = 0; i < paths.size(); ++i)
      EXPECT_EQ(Untouched(paths[i]), static_cast<int>(i) >= kHeld) << paths[i];
  }
}

// Sets an environment variable for one scope.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value, 1);
  }
  ~TScopedEnv() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// The program a user runs: a second launch in the middle of a long batch of
// another is answered at once and its file runs after the batch.
TEST_F(LongBatch, ASecondLaunchMidBatchReturnsAtOnceAndItsFileRunsAfterTheBatch) {
  const std::vector<std::string> paths = MakePhotos("photo-", 60);
  const std::vector<std::string> late = MakePhotos("late-", 1);
  const std::string runtime = OutputFile("run");
  ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
  const TScopedEnv session("XDG_RUNTIME_DIR", runtime.c_str());
  const TScopedEnv sound("SDL_AUDIODRIVER", "dummy");
  const std::string folder = PhotoPath("");

  const pid_t first = Start({VELMORA_PROGRAM}, OutputFile("first.txt"), folder);
  const std::string window = WindowNamed("Velmora");
  ASSERT_FALSE(window.empty());
  std::vector<std::string> second{VELMORA_PROGRAM};
  second.insert(second.end(), paths.begin(), paths.end());
  EXPECT_EQ(Finish(Start(second, OutputFile("second.txt"), folder)), 0);
  ASSERT_TRUE(WaitFor(
      [&] {
        const std::string title = Xdo({"getwindowname", window}, true);
        return title.find(" of 60: Velmora") != std::string::npos;
      },
      30000))
      << "the batch is under way";

  const TClock::time_point launched = TClock::now();
  EXPECT_EQ(Finish(Start({VELMORA_PROGRAM, late[0]}, OutputFile("third.txt"), folder), 20000), 0);
  const long long answered = Since(launched);
  std::cout << "[ measured ] second launch mid-batch returned after " << answered << " ms\n";
  RecordProperty("second_launch_ms", std::to_string(answered));
  EXPECT_TRUE(HasExif(late[0]) || !HasExif(paths.back())) << "queued behind the batch";

  for (const std::string& path : paths) EXPECT_TRUE(WaitFor([&] { return !HasExif(path); }, 60000));
  EXPECT_TRUE(WaitFor([&] { return !HasExif(late[0]); }, 60000));
  ASSERT_TRUE(Activate(window));
  Xdo({"key", "Escape"});
  EXPECT_EQ(Finish(first), 0);
}

}  // namespace
}  // namespace velmora::test
