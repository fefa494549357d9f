#include "platform/posix/MappedFiles.h"

#include <signal.h>
#include <sys/mman.h>

#include <atomic>
#include <mutex>

namespace platform::posix {
namespace {

// The mappings alive at a time: one per file being stripped. Lock-free, as
// the signal handler reads them.
struct TSlot {
  std::atomic<uintptr_t> begin{0};  // 0: free
  std::atomic<size_t> size{0};
  std::atomic<bool> changed{false};
};
constexpr int kSlots = 16;
TSlot slots[kSlots];
// How many slots hold a mapping: a batch of small files, read rather than
// mapped, asks about every piece of every file.
std::atomic<int> mapped{0};
struct sigaction previous {};

TSlot* slotOf(uintptr_t address) {
  for (TSlot& slot : slots) {
    const uintptr_t begin = slot.begin.load();
    if (begin != 0 && address >= begin && address - begin < slot.size.load()) return &slot;
  }
  return nullptr;
}

void onBusError(int signal, siginfo_t* info, void* context) {
  if (TSlot* slot = slotOf(reinterpret_cast<uintptr_t>(info->si_addr))) {
    // Zero pages over the whole mapping; the access is then repeated.
    // The address the mapping was given, kept as an integer for the handler.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    void* begin = reinterpret_cast<void*>(slot->begin.load());
    if (mmap(begin, slot->size.load(), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      slot->changed.store(true);
      return;
    }
  }
  if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
    previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
  } else {
    // The fault repeats on return and ends the process as it would have.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(SIGBUS, &fallback, nullptr);
  }
}

void installHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &previous);
  });
}

}  // namespace

std::shared_ptr<const void> MapWholeFile(int fd, size_t size) {
  installHandler();
  TSlot* slot = nullptr;
  for (TSlot& candidate : slots) {
    uintptr_t expected = 0;
    // Reserved with an address no mapping has until the real one is known.
    if (candidate.begin.compare_exchange_strong(expected, UINTPTR_MAX)) {
      slot = &candidate;
      break;
    }
  }
  if (slot == nullptr) return nullptr;
  // MAP_POPULATE: the page-cache pages are mapped in one go, not one fault each.
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (data == MAP_FAILED) {
    slot->begin.store(0);
    return nullptr;
  }
  slot->changed.store(false);
  slot->size.store(size);
  slot->begin.store(reinterpret_cast<uintptr_t>(data));
  mapped.fetch_add(1);
  return std::shared_ptr<const void>(data, [slot, size](const void* p) {
    slot->begin.store(0);
    mapped.fetch_sub(1);
    munmap(const_cast<void*>(p), size);
  });
}

bool MappingChanged(const void* address) {
  if (mapped.load() == 0) return false;
  const TSlot* slot = slotOf(reinterpret_cast<uintptr_t>(address));
  return slot != nullptr && slot->changed.load();
}

}  // namespace platform::posix
