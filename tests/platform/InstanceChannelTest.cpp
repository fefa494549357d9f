#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/InstanceChannel.h"

namespace velmora::test {

using namespace platform;
namespace {

// A name of this run alone, so that parallel runs never meet.
std::string testName() { return "{velmora-channel-" + std::to_string(getpid()) + "}"; }

TEST(InstanceChannel, TakesOnlyListsOfAbsoluteNames) {
  using namespace std::string_literals;
  const struct {
    std::string body;
    std::optional<TInstanceRequest> files;
  } cases[] = {
      {"", TInstanceRequest{}},  // a second copy without files
      {"/a.jpg\0/photos/b c.JPG\0"s, TInstanceRequest{"/a.jpg", "/photos/b c.JPG"}},
      {"relative.jpg\0"s, std::nullopt},
      {"/a.jpg\0\0"s, std::nullopt},  // an empty name
      {"/a.jpg"s, std::nullopt},      // cut short: no terminator
      {std::string(kMaxRequestBytes + 1, '/'), std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeInstanceRequest(c.body), c.files) << c.body.substr(0, 40);
  }
  const std::string message = EncodeInstanceRequest({"/a", "/bc"});
  EXPECT_EQ(message, "\x07\0\0\0/a\0/bc\0"s);
}

TEST(InstanceChannel, HandsTheFilesMadeAbsoluteToTheListeningCopy) {
  TScratchFolder folder;
  const TScopedEnv runtime("XDG_RUNTIME_DIR", folder.Path().c_str());
  chmod(folder.Path().c_str(), 0700);
  const auto server = TInstanceServer::Listen(testName());
  ASSERT_NE(server, nullptr);
  EXPECT_EQ(velmora::test::ModeOf(folder / (testName() + ".sock")) & 0777, 0600);
  EXPECT_TRUE(server->TakeRequests().empty()) << "nobody has connected: no waiting";

  const velmora::test::TScopedCwd cwd(folder.Path());
  for (const std::vector<std::string>& files :
       {std::vector<std::string>{"a.jpg", "/elsewhere/b.JPG"}, std::vector<std::string>{}}) {
    auto handed =
        std::async(std::launch::async, [&] { return HandToRunningCopy(files, testName()); });
    std::vector<TInstanceRequest> requests;
    for (int i = 0; i < 500 && requests.empty(); ++i) {
      requests = server->TakeRequests();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(handed.get());
    const TInstanceRequest expected =
        files.empty() ? TInstanceRequest{} : TInstanceRequest{folder / "a.jpg", "/elsewhere/b.JPG"};
    EXPECT_EQ(requests, std::vector<TInstanceRequest>{expected});
  }
}

TEST(InstanceChannel, WithoutAListeningCopyTheFilesAreNotTaken) {
  TScratchFolder folder;
  const TScopedEnv runtime("XDG_RUNTIME_DIR", folder.Path().c_str());
  chmod(folder.Path().c_str(), 0700);
  EXPECT_FALSE(HandToRunningCopy({"/a.jpg"}, testName()));
  // The running copy's channel went with it.
  { const auto server = TInstanceServer::Listen(testName()); }
  EXPECT_FALSE(HandToRunningCopy({"/a.jpg"}, testName()));
}

TEST(InstanceChannel, NoChannelInAFolderOthersMayWrite) {
  TScratchFolder folder;  // open to every user
  chmod(folder.Path().c_str(), 0777);
  const TScopedEnv runtime("XDG_RUNTIME_DIR", folder.Path().c_str());
  EXPECT_EQ(TInstanceServer::Listen(testName()), nullptr);
  EXPECT_FALSE(std::filesystem::exists(folder / (testName() + ".sock")));
}

}  // namespace
}  // namespace velmora::test
