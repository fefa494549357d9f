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

// Long enough for any machine, however busy: the bound of a hang, never a wait.
constexpr std::chrono::seconds kHang{60};

// The running copy's event loop: looks for requests until some have come
// (nothing after kHang).
std::vector<TInstanceRequest> TakeRequestsOnceThere(TInstanceServer& server) {
  const auto giveUpAt = std::chrono::steady_clock::now() + kHang;
  std::vector<TInstanceRequest> requests = server.TakeRequests();
  while (requests.empty() && std::chrono::steady_clock::now() < giveUpAt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    requests = server.TakeRequests();
  }
  return requests;
}

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
    const std::vector<TInstanceRequest> requests = TakeRequestsOnceThere(*server);
    EXPECT_TRUE(handed.get());
    const TInstanceRequest expected =
        files.empty() ? TInstanceRequest{} : TInstanceRequest{folder / "a.jpg", "/elsewhere/b.JPG"};
    EXPECT_EQ(requests, std::vector<TInstanceRequest>{expected});
  }
}

// The running copy takes the lock first and opens its channel a moment later:
// a second copy that comes in between keeps trying until the channel is there.
TEST(InstanceChannel, ASecondCopyWaitsForTheChannelOfTheRunningCopy) {
  TScratchFolder folder;
  const TScopedEnv runtime("XDG_RUNTIME_DIR", folder.Path().c_str());
  chmod(folder.Path().c_str(), 0700);
  auto handed = std::async(std::launch::async, [&] {
    return HandToRunningCopy({"/a.jpg"}, testName(), std::chrono::milliseconds(kHang));
  });
  const auto server = TInstanceServer::Listen(testName());
  ASSERT_NE(server, nullptr);
  EXPECT_EQ(TakeRequestsOnceThere(*server), std::vector<TInstanceRequest>{{"/a.jpg"}});
  EXPECT_TRUE(handed.get());
}

TEST(InstanceChannel, WithoutAListeningCopyTheFilesAreNotTaken) {
  TScratchFolder folder;
  const TScopedEnv runtime("XDG_RUNTIME_DIR", folder.Path().c_str());
  chmod(folder.Path().c_str(), 0700);
  // No deadline: a channel that is not there now is not waited for.
  constexpr std::chrono::milliseconds kNoWait{0};
  EXPECT_FALSE(HandToRunningCopy({"/a.jpg"}, testName(), kNoWait));
  // The running copy's channel went with it.
  { const auto server = TInstanceServer::Listen(testName()); }
  EXPECT_FALSE(HandToRunningCopy({"/a.jpg"}, testName(), kNoWait));
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
