#include "DesktopFixture.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "window/GtkFunction.h"

extern char** environ;

namespace velmora::test {
namespace {

// True when a window manager holds the screen's ICCCM selection and has
// announced itself to other programs (which it does once it is set up).
bool windowManagerRunning() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  const Atom selection = XInternAtom(display, "WM_S0", False);
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const bool announced =
      XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, AnyPropertyType,
                         &type, &format, &items, &after, &data) == Success &&
      items == 1;
  if (data != nullptr) XFree(data);
  const bool owned = XGetSelectionOwner(display, selection) != None;
  XCloseDisplay(display);
  return owned && announced;
}

}  // namespace

void DesktopTest::SetUp() {
  WindowTest::SetUp();
  // The file chooser keeps its settings in memory: no session bus here.
  setenv("GSETTINGS_BACKEND", "memory", 1);
  Start({"openbox", "--sm-disable"});
  ASSERT_TRUE(WaitFor(windowManagerRunning, 20000)) << "the window manager did not start";
  // The first key a fresh display gets from the test keyboard makes the
  // server announce a new keymap, and the window manager lets go of its key
  // bindings and takes them anew: an Alt+F4 sent in that moment was lost. A
  // harmless key now has that happen before any test presses one.
  Xdo({"key", "shift"});
}

void DesktopTest::TearDown() {
  for (const pid_t pid : started_) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  started_.clear();
  WindowTest::TearDown();
}

pid_t DesktopTest::Start(const std::vector<std::string>& argv, const std::string& output,
                         const std::string& cwd) {
  std::vector<std::string> args = argv;
  std::vector<char*> pointers;
  for (std::string& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!output.empty())
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(failed, 0) << "cannot start " << argv[0];
  if (failed != 0) return -1;
  started_.push_back(pid);
  return pid;
}

int DesktopTest::Finish(pid_t pid, int milliseconds) {
  if (pid < 0) return -1;
  int status = 0;
  const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, milliseconds);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  started_.erase(std::remove(started_.begin(), started_.end(), pid), started_.end());
  return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string DesktopTest::Xdo(const std::vector<std::string>& args, bool mayFail) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  const std::string output = OutputFile("xdotool.out");
  const int status = Finish(Start(argv, output));
  if (!mayFail) {
    EXPECT_EQ(status, 0) << "xdotool " << args.front();
  }
  std::string printed = ReadFile(output);
  while (!printed.empty() && printed.back() == '\n') printed.pop_back();
  return printed;
}

std::string DesktopTest::XidOf(wxWindow& window) {
  using TGetWindow = void* (*)(void*);
  using TXid = unsigned long (*)(void*);
  const auto getWindow = window::GtkFunction<TGetWindow>("gtk_widget_get_window");
  const auto xid = window::GtkFunction<TXid>("gdk_x11_window_get_xid");
  void* gdkWindow = getWindow != nullptr ? getWindow(window.GetHandle()) : nullptr;
  return gdkWindow != nullptr && xid != nullptr ? std::to_string(xid(gdkWindow)) : std::string();
}

std::string DesktopTest::WindowNamed(const std::string& title) {
  // The toolkit also keeps a small hidden window under the same title.
  std::string found;
  WaitFor(
      [&] {
        found = Xdo({"search", "--onlyvisible", "--name", "^" + title + "$"}, true);
        found = found.substr(0, found.find('\n'));
        return !found.empty();
      },
      20000);
  return found;
}

wxRect DesktopTest::Geometry(const std::string& id) {
  std::istringstream shell(Xdo({"getwindowgeometry", "--shell", id}));
  wxRect rect;
  for (std::string line; std::getline(shell, line);) {
    const int value = std::atoi(line.substr(line.find('=') + 1).c_str());
    if (line.rfind("X=", 0) == 0) rect.x = value;
    if (line.rfind("Y=", 0) == 0) rect.y = value;
    if (line.rfind("WIDTH=", 0) == 0) rect.width = value;
    if (line.rfind("HEIGHT=", 0) == 0) rect.height = value;
  }
  return rect;
}

bool DesktopTest::Activate(const std::string& id) {
  // Asked again now and then: a request that comes while the window manager
  // is still taking the window on can be lost.
  for (int attempt = 0; attempt < 10; ++attempt) {
    Xdo({"windowactivate", id}, true);
    if (WaitFor([&] { return Xdo({"getactivewindow"}, true) == id; }, 2000)) return true;
  }
  return false;
}

void DesktopTest::DragWithMouse(int fromX, int fromY, int toX, int toY,
                                const std::string& printed) {
  const auto said = [&](const char* word) {
    return ReadFile(printed).find(word) != std::string::npos;
  };
  const auto moveTo = [&](int x, int y) {
    Xdo({"mousemove", std::to_string(x), std::to_string(y)});
  };
  constexpr int kSteps = 12;
  moveTo(fromX, fromY);
  Xdo({"mousedown", "1"});
  // The drag begins once the pointer has gone a few pixels with the button down.
  int step = 1;
  for (; step <= kSteps && !said("begin"); ++step)
    moveTo(fromX + (toX - fromX) * step / kSteps, fromY + (toY - fromY) * step / kSteps);
  EXPECT_TRUE(WaitFor([&] { return said("begin"); })) << "the drag did not begin";
  for (; step <= kSteps; ++step)
    moveTo(fromX + (toX - fromX) * step / kSteps, fromY + (toY - fromY) * step / kSteps);
  // Small moves over the target until it has answered that it takes the files.
  int nudge = 0;
  EXPECT_TRUE(WaitFor([&] {
    moveTo(toX + 2 * (++nudge % 2), toY + 2);
    return WaitFor([&] { return said("accepted"); }, 200);
  })) << "the target never accepted the drop";
  Xdo({"mouseup", "1"});
}

}  // namespace velmora::test
