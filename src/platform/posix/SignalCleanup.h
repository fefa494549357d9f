// What the termination signal handlers clean up: the temporary files that may
// still be removed. The handlers themselves are installed by PrepareSignals()
// (platform/Signals.h).
#pragma once

#include <cstddef>

namespace platform::posix {

// Temporary files the handlers can hold on record at once.
inline constexpr size_t kTempFileSlots = 1040;

// Records the temporary file `name` in the open folder `folder` for removal on
// a termination signal. Returns its slot, or -1 when every slot is taken (the
// file is then only removed by its scope).
int RegisterTempFile(int folder, const char* name);
// Forgets the file of `slot` (no-op for -1).
void ReleaseTempFile(int slot);

// Holds SIGINT, SIGTERM and SIGHUP back for one scope: a step that must not
// be cut short (a rename and its bookkeeping, a write in place) runs whole,
// and the signal takes effect when the scope ends, also one that another
// thread of the process took meanwhile.
class TSignalsHeld {
 public:
  TSignalsHeld();
  TSignalsHeld(const TSignalsHeld&) = delete;
  TSignalsHeld& operator=(const TSignalsHeld&) = delete;
  ~TSignalsHeld();
};

}  // namespace platform::posix
