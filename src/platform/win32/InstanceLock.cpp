// The single-instance guard: a named mutex in the logon session. The system
// closes the handle when the process ends, however it ends.
#include "platform/InstanceLock.h"

#include <windows.h>

#include "platform/win32/Utf.h"

namespace platform {
namespace {

class TMutexLock : public TInstanceLock {
 public:
  explicit TMutexLock(HANDLE mutex) : mutex_(mutex) {}
  ~TMutexLock() override { CloseHandle(mutex_); }

 private:
  HANDLE mutex_;
};

}  // namespace

TLockResult TInstanceLock::TryAcquire(std::string_view name) {
  const std::wstring wide = win32::Widen(std::string(name));
  if (HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, wide.c_str())) {
    CloseHandle(existing);
    return {TLockOutcome::AnotherCopy, nullptr};
  }
  // A mutex that cannot be created leaves the program running unguarded.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, wide.c_str());
  if (mutex == nullptr) return {TLockOutcome::Unguarded, nullptr};
  // Two copies started at once can both pass the open; the one whose create
  // found the mutex already there gives way.
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return {TLockOutcome::AnotherCopy, nullptr};
  }
  return {TLockOutcome::Held, std::make_unique<TMutexLock>(mutex)};
}

}  // namespace platform
