#include "platform/posix/EffectiveIds.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace platform::posix {
namespace {

constexpr int64_t kUnknown = -1;
std::atomic<int64_t> user{kUnknown};
std::atomic<int64_t> group{kUnknown};

// A child of fork() asks again: it may take on another user before it saves.
void forgetInChild() {
  user.store(kUnknown);
  group.store(kUnknown);
}

int64_t remembered(std::atomic<int64_t>& id, int64_t (*ask)()) {
  static std::once_flag registered;
  std::call_once(registered, [] { pthread_atfork(nullptr, nullptr, forgetInChild); });
  int64_t known = id.load(std::memory_order_relaxed);
  if (known == kUnknown) {
    known = ask();
    id.store(known, std::memory_order_relaxed);
  }
  return known;
}

}  // namespace

uid_t EffectiveUser() {
  return static_cast<uid_t>(remembered(user, [] { return static_cast<int64_t>(geteuid()); }));
}

gid_t EffectiveGroup() {
  return static_cast<gid_t>(remembered(group, [] { return static_cast<int64_t>(getegid()); }));
}

}  // namespace platform::posix
