// The running copy's channel tells the event loop when a second copy waits:
// its descriptor is quiet while nobody knocks and readable once one does, so
// the window can sleep until then instead of asking on a timer.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>
#include <string>

#include "TestSupport.h"
#include "platform/InstanceChannel.h"

namespace velmora::test {
namespace {

bool readable(int fd, int milliseconds) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, milliseconds) == 1 && (entry.revents & POLLIN) != 0;
}

TEST(InstanceReady, TheDescriptorWakesOnlyWhenASecondCopyKnocks) {
  TScratchFolder folder;
  const TScopedEnv runtime("XDG_RUNTIME_DIR", folder.Path().c_str());
  chmod(folder.Path().c_str(), 0700);
  const std::string name = "{velmora-ready-" + std::to_string(getpid()) + "}";
  const auto server = platform::TInstanceServer::Listen(name);
  ASSERT_NE(server, nullptr);
  const int fd = server->ReadyFd();
  ASSERT_GE(fd, 0);
  EXPECT_FALSE(readable(fd, 0)) << "quiet while nobody knocks";

  auto handed =
      std::async(std::launch::async, [&] { return platform::HandToRunningCopy({"/a.jpg"}, name); });
  ASSERT_TRUE(readable(fd, 20000)) << "readable once a second copy connects";
  const std::vector<platform::TInstanceRequest> requests = server->TakeRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0], platform::TInstanceRequest{"/a.jpg"});
  EXPECT_TRUE(handed.get());
  EXPECT_FALSE(readable(fd, 0)) << "quiet again once taken";
}

}  // namespace
}  // namespace velmora::test
