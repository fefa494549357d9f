// The SDL chime player against SDL's own test drivers: "dummy" consumes audio
// in real time, "disk" also writes what the device plays to a file, which shows
// exactly which samples sounded. SDL_DISKAUDIODELAY sets how long the disk
// device takes per buffer, which makes it a device that falls behind, as one
// does on a busy machine. The tests wait for what the device wrote, never for
// time; the clock only bounds hangs, generously.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
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

// Where `chime` begins in `device` at or after `from`, located by a stretch of
// samples 50 ms in, past the silent start of the attack; nullopt when that
// stretch has not sounded.
std::optional<std::size_t> FindChime(const std::vector<std::int16_t>& device,
                                     const std::vector<std::int16_t>& chime, std::size_t from = 0) {
  constexpr std::size_t kIn50ms = std::size_t{2} * 2205;  // samples, both channels
  const auto stretch = std::span(chime).subspan(kIn50ms, 2000);
  if (from > device.size()) return std::nullopt;
  const auto it = std::search(device.begin() + static_cast<std::ptrdiff_t>(from), device.end(),
                              stretch.begin(), stretch.end());
  if (it == device.end()) return std::nullopt;
  const auto at = static_cast<std::size_t>(it - device.begin());
  if (at < kIn50ms) return std::nullopt;
  return at - kIn50ms;
}

// Whether `chime` sounded whole from `at` on.
bool SoundedWhole(const std::vector<std::int16_t>& device, const std::vector<std::int16_t>& chime,
                  std::size_t at) {
  return at + chime.size() <= device.size() &&
         std::equal(chime.begin(), chime.end(), device.begin() + static_cast<std::ptrdiff_t>(at));
}

// Polls `done` until it holds; false after `limit`, a bound for hangs only.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::seconds limit = std::chrono::seconds(60)) {
  const auto giveUp = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
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
    ::unsetenv("SDL_DISKAUDIODELAY");
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
  // Waits until the device has played the start of `chime`.
  bool WaitUntilSounding(const std::vector<std::int16_t>& chime) const {
    return WaitUntil([&] { return FindChime(DiskSamples(), chime).has_value(); });
  }

  fs::path folder_;
};

// Closing the player right after a synchronous request, as a command-line run
// does at its end, must not cut the chime: the request returns only once the
// device has taken all of it, however slowly the device goes.
TEST_F(SdlChimePlayer, SynchronousRequestReturnsAfterTheDeviceTookTheChime) {
  UseDriver("disk");
  const auto chime = ChimeSamples(17);  // 0.858 s
  // Milliseconds the device takes per 23-ms buffer: its own pace, and a
  // device at less than half speed, whose chime ends long after its length.
  for (const char* delay : {"23", "60"}) {
    SCOPED_TRACE(std::string("SDL_DISKAUDIODELAY=") + delay);
    ::setenv("SDL_DISKAUDIODELAY", delay, 1);
    auto player = platform::MakeChimePlayer();
    player->Play(17, true);
    player.reset();  // closes the device and its file at once
    const auto device = DiskSamples();
    const auto at = FindChime(device, chime);
    ASSERT_TRUE(at.has_value()) << "chime 17 never sounded";
    EXPECT_TRUE(SoundedWhole(device, chime, *at)) << "chime 17 was cut short";
  }
}

TEST_F(SdlChimePlayer, AsynchronousRequestReturnsAtOnceAndEndsWithThePlayer) {
  UseDriver("disk");
  auto player = platform::MakeChimePlayer();
  auto start = Clock::now();
  player->Play(5, false);  // 6.182 s
  EXPECT_LT(SecondsSince(start), 6.182 / 2);
  ASSERT_TRUE(WaitUntilSounding(ChimeSamples(5)));
  start = Clock::now();
  player.reset();
  EXPECT_LT(SecondsSince(start), 6.182 / 2) << "closing waited for the chime";
  const auto device = DiskSamples();
  EXPECT_FALSE(SoundedWhole(device, ChimeSamples(5), *FindChime(device, ChimeSamples(5))));
}

TEST_F(SdlChimePlayer, NextRequestCutsOffThePlayingChime) {
  UseDriver("disk");
  const auto first = ChimeSamples(5);    // 6.182 s
  const auto second = ChimeSamples(16);  // 1.215 s
  auto player = platform::MakeChimePlayer();
  player->Play(5, false);
  ASSERT_TRUE(WaitUntilSounding(first));
  player->Play(16, true);
  player.reset();  // closes the device and its file

  const auto device = DiskSamples();
  const auto firstAt = FindChime(device, first);
  ASSERT_TRUE(firstAt.has_value()) << "chime 5 never sounded";
  const auto secondAt = FindChime(device, second, *firstAt);
  ASSERT_TRUE(secondAt.has_value()) << "chime 16 never sounded after chime 5";

  // Chime 5 sounded from its start until chime 16 took over, before its end.
  const std::size_t firstPlayed = *secondAt - *firstAt;
  EXPECT_LT(firstPlayed, first.size()) << "chime 5 sounded whole";
  EXPECT_TRUE(std::equal(device.begin() + static_cast<std::ptrdiff_t>(*firstAt),
                         device.begin() + static_cast<std::ptrdiff_t>(*secondAt), first.begin()));
  // Chime 16 sounded whole, and nothing of chime 5 came back after it.
  ASSERT_TRUE(SoundedWhole(device, second, *secondAt)) << "chime 16 was cut short";
  for (std::size_t i = *secondAt + second.size(); i < device.size(); ++i) {
    ASSERT_EQ(device[i], 0) << "sound after chime 16 at sample " << i;
  }
}

TEST_F(SdlChimePlayer, NumbersWithoutChimeOpenNoDevice) {
  UseDriver("disk");
  auto player = platform::MakeChimePlayer();
  for (int number : {0, 24, -5}) {
    player->Play(number, true);
    player->Play(number, false);
  }
  player.reset();
  EXPECT_FALSE(fs::exists(DiskFile())) << "a device was opened";
}

TEST_F(SdlChimePlayer, NumbersWithoutChimeLeaveThePlayingChimeAlone) {
  UseDriver("disk");
  const auto chime = ChimeSamples(17);
  auto player = platform::MakeChimePlayer();
  player->Play(17, false);
  ASSERT_TRUE(WaitUntilSounding(chime));
  for (int number : {0, 24, -5}) player->Play(number, false);
  // Chime 17 goes on to its end.
  EXPECT_TRUE(WaitUntil([&] {
    const auto device = DiskSamples();
    const auto at = FindChime(device, chime);
    return at && SoundedWhole(device, chime, *at);
  })) << "chime 17 did not sound whole";
  player.reset();
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
