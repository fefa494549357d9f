// Termination signals remove the temporary files of a save in progress, then
// end the process as the signal would have; a closed log pipe is ignored.
#include "platform/Signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/posix/SignalCleanup.h"

namespace platform {
namespace posix {
namespace {

constexpr std::array<int, 3> kTerminating = {SIGINT, SIGTERM, SIGHUP};

// Temporary names are short (".velmora-" + 16 + ".tmp"); a slot holds one.
struct TSlot {
  std::atomic<bool> used{false};
  std::atomic<int> folder{-1};
  char name[64] = {};
};
// A batch keeps a group of saves waiting (app/SaveGroup.h), each with its
// copy; the rest cover a backup, the settings file and the library's threads.
std::array<TSlot, kTempFileSlots> slots;

// Scopes that hold the signals back, on any thread, and a signal that arrived
// meanwhile. A flag rather than the signal mask: the handler, on whichever
// thread the kernel picks, sees it at no cost, where two mask changes per
// scope cost two system calls each time (a batch holds the signals several
// times per file).
std::atomic<int> holdDepth{0};
std::atomic<int> pendingSignal{0};

void onTerminatingSignal(int signal) {
  if (holdDepth.load() > 0) {
    pendingSignal.store(signal);
    // The last scope may have ended meanwhile on another thread, too early to
    // see the signal: then it is no longer held, and whoever takes it back
    // from the record acts on it.
    if (holdDepth.load() > 0 || pendingSignal.exchange(0) == 0) return;
  }
  const int saved = errno;
  for (TSlot& slot : slots) {
    if (slot.used.load()) unlinkat(slot.folder.load(), slot.name, 0);
  }
  errno = saved;
  // The signal is blocked while its handler runs, so with the default action
  // back it ends the process as soon as the handler returns.
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

int RegisterTempFile(int folder, const char* name) {
  if (std::strlen(name) >= sizeof slots[0].name) return -1;
  for (size_t i = 0; i < slots.size(); ++i) {
    TSlot& slot = slots[i];
    if (slot.used.load()) continue;
    std::memcpy(slot.name, name, std::strlen(name) + 1);  // fits: checked above
    slot.folder.store(folder);
    slot.used.store(true);  // the handler sees the name only once it is whole
    return static_cast<int>(i);
  }
  return -1;
}

void ReleaseTempFile(int slot) {
  if (slot >= 0) slots[static_cast<size_t>(slot)].used.store(false);
}

TSignalsHeld::TSignalsHeld() { holdDepth.fetch_add(1); }

TSignalsHeld::~TSignalsHeld() {
  // A signal that came while held is raised again when the last scope ends.
  // One that comes between the two steps below finds nothing held and acts
  // at once.
  if (holdDepth.fetch_sub(1) == 1) {
    if (const int signal = pendingSignal.exchange(0)) raise(signal);
  }
}

}  // namespace posix

void PrepareSignals() {
  struct sigaction action {};
  action.sa_handler = posix::onTerminatingSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : posix::kTerminating) sigaddset(&action.sa_mask, signal);
  // A held signal returns from its handler: the call it interrupted goes on.
  action.sa_flags = SA_RESTART;
  for (int signal : posix::kTerminating) {
    // A signal ignored by whoever started us (nohup) stays ignored.
    struct sigaction old {};
    if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
  signal(SIGPIPE, SIG_IGN);
}

}  // namespace platform
