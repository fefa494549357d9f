// A desktop session on the test's own display: a window manager, and other
// programs run as processes of their own (xdotool for real mouse and keys
// through XTEST, a program that drags files, the Velmora program itself)
// while the test keeps the window's event loop going.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "WindowFixture.h"

namespace velmora::test {

class DesktopTest : public WindowTest {
 protected:
  // Starts the window manager and waits until it manages the screen.
  void SetUp() override;
  // Ends every process the test started and still runs.
  void TearDown() override;

  // Starts `argv` (argv[0] looked up in PATH) in the folder `cwd` (empty:
  // the test's); its standard output goes to `output` when given.
  pid_t Start(const std::vector<std::string>& argv, const std::string& output = "",
              const std::string& cwd = "");
  // Waits for the process to end while the event loop runs: its exit status,
  // or -1 when it had to be killed after `milliseconds`.
  int Finish(pid_t pid, int milliseconds = 60000);
  // Runs xdotool with `args` to its end and returns what it printed; it must
  // succeed unless `mayFail` (a search that finds nothing fails).
  std::string Xdo(const std::vector<std::string>& args, bool mayFail = false);

  // The X window id of this process's top-level window `window`.
  static std::string XidOf(wxWindow& window);
  // The X window id of the visible top-level window titled `title`, waiting
  // for it; "" when none shows up.
  std::string WindowNamed(const std::string& title);
  // The top-left corner and size of the X window `id`, as xdotool reports them.
  wxRect Geometry(const std::string& id);
  // Asks the window manager to activate the window `id` (as a click on its
  // task-bar button would) until it is the active one; false when it never is.
  bool Activate(const std::string& id);
  // A real drag with the mouse from (fromX, fromY) to (toX, toY), in small
  // steps as a hand moves, from the drag program whose output is `printed`:
  // the button goes up once that program says the target accepts the drop.
  void DragWithMouse(int fromX, int fromY, int toX, int toY, const std::string& printed);
  // Temporary file names for what the started programs print.
  std::string OutputFile(const std::string& name) const { return PhotoPath("../" + name); }

 private:
  std::vector<pid_t> started_;
};

}  // namespace velmora::test
