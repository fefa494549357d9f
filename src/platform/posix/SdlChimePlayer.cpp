// Chimes through SDL2 audio. Every SDL call happens on one worker thread that
// the player owns; the caller only posts requests and, for a synchronous one,
// waits with bounded timeouts. So a device that is slow to open, or never
// answers, costs the caller at most kStartTimeout, and nothing is ever printed:
// SDL's log goes nowhere and ALSA is only tried when a card exists.
//
// A chime plays at the device's pace, not the clock's: on a busy machine the
// audio thread falls behind, and a chime may take longer than its length.
// So the end is never a moment on the clock. A chime has ended when the device
// has taken its last buffer (and that buffer has had its time to sound), and
// a device is given up only when it has taken nothing for kStallTimeout. A
// synchronous request waits as long as the device makes progress; a chime
// cut short at the end of a command-line run would otherwise be the result.
//
// The device is opened for a chime at the chime's own rate (SDL converts if the
// hardware differs) and closed once the chime has ended, so no device is held
// while idle. A new request clears the queue of the open device and queues its
// chime: the cut-off takes one device buffer (kBufferFrames, about 23 ms).
//
// The program makes one player; SDL's init and quit are not meant to run on two
// threads at once, so two players in one process should not overlap.
//
// Paths not taken: SDL_mixer (one more dependency for one sound at a time);
// a callback that feeds the device (the queue API already cuts off cleanly).
#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "chimes/Chimes.h"
#include "platform/Sound.h"
#include "platform/posix/SdlDrivers.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kStartTimeout{1500};  // synthesis + opening the device
// A device that takes nothing for this long is stuck (real devices take a
// buffer every kBufferFrames, about 23 ms). The caller allows a little more,
// so that the worker's own verdict normally comes first.
constexpr milliseconds kStallTimeout{2000};
constexpr milliseconds kCallerStallTimeout = kStallTimeout + milliseconds{500};
constexpr milliseconds kPollInterval{5};
constexpr milliseconds kExitTimeout{3000};
constexpr Uint16 kBufferFrames = 1024;

// State shared by the caller and the worker. Both own it, so that a worker
// stuck inside a device that never answers can be left behind at exit.
struct TShared {
  std::mutex mutex;
  std::condition_variable changed;
  int pendingNumber = 0;
  std::uint64_t pendingTicket = 0;  // 0: nothing to do
  std::uint64_t lastTicket = 0;
  std::uint64_t startedTicket = 0;  // the latest request whose chime was started
  std::uint64_t settledTicket = 0;  // requests up to this one ended, failed or were cut off
  std::uint64_t progress = 0;       // counts the device's steps through the playing chime
  bool stop = false;
  bool exited = false;
};

void DiscardSdlLog(void*, int, SDL_LogPriority, const char*) {}

class TSdlWorker {
 public:
  explicit TSdlWorker(std::shared_ptr<TShared> shared) : shared_(std::move(shared)) {}

  void Run() {
    const bool audio = InitAudio();
    std::unique_lock lock(shared_->mutex);
    while (!shared_->stop) {
      if (shared_->pendingTicket != 0) {
        const int number = shared_->pendingNumber;
        const std::uint64_t ticket = shared_->pendingTicket;
        shared_->pendingTicket = 0;
        lock.unlock();
        const bool started = audio && Start(number);
        lock.lock();
        Settle(started ? ticket - 1 : ticket);
        if (started) shared_->startedTicket = ticket;
        playing_ = started ? ticket : 0;
        shared_->changed.notify_all();
      } else if (playing_ != 0) {
        lock.unlock();
        const TPoll poll = Poll();
        if (poll == TPoll::Ended) CloseDevice();
        lock.lock();
        if (poll == TPoll::Ended) {
          Settle(playing_);
          playing_ = 0;
          shared_->changed.notify_all();
        } else {
          if (poll == TPoll::Moved) {
            ++shared_->progress;
            shared_->changed.notify_all();
          }
          shared_->changed.wait_for(lock, kPollInterval);
        }
      } else {
        shared_->changed.wait(lock);
      }
    }
    lock.unlock();
    CloseDevice();
    if (audio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();  // frees SDL's hints and logs
    lock.lock();
    shared_->exited = true;
    shared_->changed.notify_all();
  }

 private:
  static bool InitAudio() {
    SDL_LogSetOutputFunction(DiscardSdlLog, nullptr);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The user's SDL_AUDIODRIVER wins over this hint.
    SDL_SetHint(SDL_HINT_AUDIODRIVER, SdlAudioDriversHere().c_str());
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  }

  // Called with the mutex held.
  void Settle(std::uint64_t ticket) {
    if (ticket > shared_->settledTicket) shared_->settledTicket = ticket;
  }

  bool Start(int number) {
    const auto format = chimes::ChimeFormat(number);
    const auto pcm = chimes::ChimePcm(number);
    if (device_ != 0 && deviceRate_ != static_cast<int>(format->sampleRate)) CloseDevice();
    if (device_ == 0 && !OpenDevice(static_cast<int>(format->sampleRate))) return false;
    SDL_ClearQueuedAudio(device_);
    if (SDL_QueueAudio(device_, pcm.data(), static_cast<Uint32>(pcm.size())) != 0) {
      CloseDevice();
      return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    drained_ = false;
    queued_ = SDL_GetQueuedAudioSize(device_);
    lastMoveAt_ = Clock::now();
    return true;
  }

  bool OpenDevice(int rate) {
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16LSB;  // the data chunk's byte order
    want.channels = 2;
    want.samples = kBufferFrames;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have_, 0);
    deviceRate_ = rate;
    return device_ != 0;
  }

  void CloseDevice() {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    device_ = 0;
  }

  enum class TPoll { Waiting, Moved, Ended };

  // The queue empties when the last buffer goes to the device; that buffer
  // still has to sound. A lost device ends the chime, and so does one that
  // has taken nothing for kStallTimeout.
  TPoll Poll() {
    const auto now = Clock::now();
    if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING) return TPoll::Ended;
    if (drained_) return now >= lastBufferEndsAt_ ? TPoll::Ended : TPoll::Waiting;
    const Uint32 queued = SDL_GetQueuedAudioSize(device_);
    if (queued == queued_)
      return now - lastMoveAt_ >= kStallTimeout ? TPoll::Ended : TPoll::Waiting;
    queued_ = queued;
    lastMoveAt_ = now;
    if (queued == 0) {
      drained_ = true;
      lastBufferEndsAt_ = now + milliseconds(1 + 1000 * have_.samples / have_.freq);
    }
    return TPoll::Moved;
  }

  std::shared_ptr<TShared> shared_;
  SDL_AudioDeviceID device_ = 0;
  int deviceRate_ = 0;
  SDL_AudioSpec have_{};
  std::uint64_t playing_ = 0;
  bool drained_ = false;
  Uint32 queued_ = 0;  // bytes still queued when last looked at
  Clock::time_point lastMoveAt_;
  Clock::time_point lastBufferEndsAt_;
};

class TSdlChimePlayer final : public TChimePlayer {
 public:
  TSdlChimePlayer() : shared_(std::make_shared<TShared>()) {}

  ~TSdlChimePlayer() override {
    if (!worker_.joinable()) return;
    std::unique_lock lock(shared_->mutex);
    shared_->stop = true;
    shared_->changed.notify_all();
    const bool exited =
        shared_->changed.wait_for(lock, kExitTimeout, [&] { return shared_->exited; });
    lock.unlock();
    if (exited) {
      worker_.join();
    } else {
      worker_.detach();  // stuck in the audio system; the process ends without it
    }
  }

  void Play(int number, bool wait) override {
    if (!chimes::ChimeFormat(number)) return;  // no such chime: nothing plays, nothing is cut
    std::unique_lock lock(shared_->mutex);
    if (!worker_.joinable()) {
      try {
        worker_ = std::thread([shared = shared_] { TSdlWorker(shared).Run(); });
      } catch (const std::system_error&) {
        return;  // no thread to spare: the chime is left out, like a missing device
      }
    }
    const std::uint64_t ticket = ++shared_->lastTicket;
    shared_->pendingNumber = number;
    shared_->pendingTicket = ticket;
    shared_->changed.notify_all();
    if (!wait) return;
    TShared& s = *shared_;
    const bool answered = s.changed.wait_for(lock, kStartTimeout, [&] {
      return s.startedTicket >= ticket || s.settledTicket >= ticket;
    });
    if (!answered) return;
    // As long as the device goes on taking the chime; a worker stuck inside
    // the audio system stops counting, and is then left to itself.
    while (s.settledTicket < ticket) {
      const std::uint64_t seen = s.progress;
      if (!s.changed.wait_for(lock, kCallerStallTimeout,
                              [&] { return s.settledTicket >= ticket || s.progress != seen; })) {
        return;
      }
    }
  }

 private:
  std::shared_ptr<TShared> shared_;
  std::thread worker_;
};

}  // namespace

std::unique_ptr<TChimePlayer> MakeChimePlayer() { return std::make_unique<TSdlChimePlayer>(); }

}  // namespace platform
