// The SDL chime player against SDL's own test drivers: "dummy" consumes audio
// in real time, "disk" also writes what the device plays to a file, which shows
// exactly which samples sounded. Timing checks use generous one-sided bounds.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "chimes/Chimes.h"
#include "platform/Sound.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::int16_t> Decode(std::span<const std::uint8_t> bytes) {
  std::vector<std::int16_t> s(bytes.size() / 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    s[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return s;
}

std::vector<std::int16_t> ChimeSamples(int number) { return Decode(chimes::ChimePcm(number)); }

// Index of the first place where `part` occurs in `whole` at or after `from`.
std::size_t Find(const std::vector<std::int16_t>& whole, std::span<const std::int16_t> part,
                 std::size_t from = 0) {
  const auto it = std::search(whole.begin() + static_cast<std::ptrdiff_t>(from), whole.end(),
                              part.begin(), part.end());
  return static_cast<std::size_t>(it - whole.begin());
}

class SdlChimePlayer : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(::testing::TempDir()) /
              ("velmora_chime_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ::setenv("SDL_DISKAUDIOFILE", DiskFile().c_str(), 1);
    // Synthesis happens on first use; do it now so that timings see only playing.
    for (int n : {5, 16, 17}) chimes::ChimeWave(n);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
  }
  void TearDown() override {
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "") << "the player printed on stdout";
    EXPECT_EQ(err, "") << "the player printed on stderr";
    ::unsetenv("SDL_AUDIODRIVER");
    ::unsetenv("SDL_DISKAUDIOFILE");
    fs::remove_all(folder_);
  }

  static void UseDriver(const char* driver) { ::setenv("SDL_AUDIODRIVER", driver, 1); }
  std::string DiskFile() const { return (folder_ / "device.raw").string(); }
  std::vector<std::int16_t> DiskSamples() const {
    std::ifstream in(DiskFile(), std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    return Decode(bytes);
  }

  fs::path folder_;
};

TEST_F(SdlChimePlayer, SynchronousRequestReturnsAfterTheChime) {
  for (const char* driver : {"dummy", "disk"}) {
    SCOPED_TRACE(driver);
    UseDriver(driver);
    auto player = platform::MakeChimePlayer();
    const auto start = Clock::now();
    player->Play(17, true);  // 0.858 s
    EXPECT_GE(SecondsSince(start), 0.9 * 0.858);
  }
}

TEST_F(SdlChimePlayer, AsynchronousRequestReturnsAtOnceAndEndsWithThePlayer) {
  UseDriver("dummy");
  auto player = platform::MakeChimePlayer();
  auto start = Clock::now();
  player->Play(5, false);  // 6.182 s
  EXPECT_LT(SecondsSince(start), 6.182 / 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  start = Clock::now();
  player.reset();
  EXPECT_LT(SecondsSince(start), 6.182 / 2) << "closing waited for the chime";
}

TEST_F(SdlChimePlayer, NextRequestCutsOffThePlayingChime) {
  UseDriver("disk");
  auto player = platform::MakeChimePlayer();
  player->Play(5, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  player->Play(16, true);
  player.reset();  // closes the device and its file

  const auto device = DiskSamples();
  const auto first = ChimeSamples(5);
  const auto second = ChimeSamples(16);
  // Where each chime begins in the device's output: located by a stretch of
  // samples 50 ms in, past the silent start of the attack.
  const std::size_t in50ms = std::size_t{2} * 2205;  // samples, both channels
  const std::size_t firstAt = Find(device, std::span(first).subspan(in50ms, 2000)) - in50ms;
  ASSERT_LT(firstAt, device.size()) << "chime 5 never sounded";
  const std::size_t secondAt =
      Find(device, std::span(second).subspan(in50ms, 2000), firstAt) - in50ms;
  ASSERT_LT(secondAt, device.size()) << "chime 16 never sounded";

  // Chime 5 sounded from its start until chime 16 took over, well before its end.
  const std::size_t firstPlayed = secondAt - firstAt;
  EXPECT_GT(firstPlayed, 0u);
  EXPECT_LT(firstPlayed / 2, 44100u * 2) << "chime 5 ran for 2 s or more of its 6.182 s";
  EXPECT_TRUE(std::equal(device.begin() + static_cast<std::ptrdiff_t>(firstAt),
                         device.begin() + static_cast<std::ptrdiff_t>(secondAt), first.begin()));
  // Chime 16 sounded whole, and nothing of chime 5 came back after it.
  ASSERT_LE(secondAt + second.size(), device.size());
  EXPECT_TRUE(std::equal(second.begin(), second.end(),
                         device.begin() + static_cast<std::ptrdiff_t>(secondAt)));
  for (std::size_t i = secondAt + second.size(); i < device.size(); ++i) {
    ASSERT_EQ(device[i], 0) << "sound after chime 16 at sample " << i;
  }
}

TEST_F(SdlChimePlayer, NumbersWithoutChimeOpenNoDevice) {
  UseDriver("disk");
  auto player = platform::MakeChimePlayer();
  const auto start = Clock::now();
  for (int number : {0, 24, -5}) {
    player->Play(number, true);
    player->Play(number, false);
  }
  EXPECT_LT(SecondsSince(start), 0.5);
  player.reset();
  EXPECT_FALSE(fs::exists(DiskFile())) << "a device was opened";
}

TEST_F(SdlChimePlayer, NumbersWithoutChimeLeaveThePlayingChimeAlone) {
  UseDriver("disk");
  auto player = platform::MakeChimePlayer();
  player->Play(17, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  for (int number : {0, 24, -5}) player->Play(number, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(858 + 600));
  player.reset();

  const auto device = DiskSamples();
  const auto chime = ChimeSamples(17);
  const std::size_t in50ms = std::size_t{2} * 2205;  // samples, both channels
  const std::size_t at = Find(device, std::span(chime).subspan(in50ms, 2000)) - in50ms;
  ASSERT_LE(at + chime.size(), device.size()) << "chime 17 did not sound whole";
  EXPECT_TRUE(
      std::equal(chime.begin(), chime.end(), device.begin() + static_cast<std::ptrdiff_t>(at)));
}

TEST_F(SdlChimePlayer, DriverThatCannotOpenIsSilentAndNotWaitedFor) {
  UseDriver("nonexistent");
  auto player = platform::MakeChimePlayer();
  const auto start = Clock::now();
  player->Play(5, true);  // 6.182 s if it played
  player->Play(16, false);
  player->Play(16, true);
  player.reset();
  EXPECT_LT(SecondsSince(start), 6.182 / 2);
}

TEST_F(SdlChimePlayer, DefaultDriversPrintNothing) {
  ::unsetenv("SDL_AUDIODRIVER");
  auto player = platform::MakeChimePlayer();
  player->Play(21, true);  // plays where a device exists; silent here without one
  // TearDown checks that nothing reached stdout or stderr.
}

}  // namespace
