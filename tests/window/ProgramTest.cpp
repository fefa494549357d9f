// The program as a user starts it from a shell with a display: files named on
// the command line are stripped, the window closes by itself, status 0.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "WindowFixture.h"

extern char** environ;

namespace velmora::test {
namespace {

class WindowProgram : public WindowTest {
 protected:
  // Runs the program in `folder` with `args` on a display of its own, where
  // it is the only client; its exit status, or -1 when it had to be killed
  // after a minute. What it prints goes to `output`.
  int Run(const std::string& folder, const std::vector<std::string>& args,
          const std::string& output) {
    std::vector<std::string> argv{"xvfb-run", "-a", "-s", "-screen 0 1280x1024x24",
                                  VELMORA_WINDOW_PROBE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -2;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::filesystem::path ProbeSettings() const {
    return SettingsFile().parent_path() / "velmora_window_probe.ini";
  }
};

TEST_F(WindowProgram, StripsTheNamedFilesClosesAndEndsWithStatusZero) {
  // An argument shaped like a toolkit option is a file name all the same; the
  // toolkit never sees it (it would take it for a display and fail to open it).
  const std::string option = "--display=nowhere.jpg";
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  // A few runs: starting on a display whose server resets after the entry's
  // probe used to fall back to the console now and then.
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    std::filesystem::remove(PhotoPath("写真.jpg"));
    std::filesystem::remove(PhotoPath(option));
    std::filesystem::remove(ProbeSettings());
    CopyPhoto("et-GoPro.jpg", "写真.jpg");
    CopyPhoto("et-InfiRay.jpg", option);
    const std::string folder = std::filesystem::path(PhotoPath("写真.jpg")).parent_path().string();
    const std::string printed = PhotoPath("printed.txt");

    EXPECT_EQ(Run(folder, {PhotoPath("写真.jpg"), option}, printed), 0);
    EXPECT_FALSE(HasExif(PhotoPath("写真.jpg")));
    EXPECT_FALSE(HasExif(PhotoPath(option)));
    EXPECT_EQ(ReadFile(printed), "") << "the window ran, not the console";
    EXPECT_EQ(ReadFile(ProbeSettings().string()), WrittenSettings())
        << "settings written on the way out";
  }
}

}  // namespace
}  // namespace velmora::test
