// The running copy's side of a second launch: the files that second copies
// hand over (platform/InstanceChannel.h) reach the window's logic here, so
// the window itself only has to call a task now and then.
#pragma once

#include <functional>

#include "app/TFormMain.h"

namespace app {

// Called by the window's event loop while the window is open; it must not
// wait, and it runs no batch itself (the batches it appends begin in steps
// of their own).
using TFormTask = std::function<void(TFormMain&)>;

struct TOtherCopies {
  // Hands what arrived to TFormMain::OtherCopiesStarted; empty when no
  // channel could be made.
  TFormTask take;
  // Readable when a second copy is waiting: the loop calls `take` then. -1
  // where the channel has no such descriptor; the loop then calls it a few
  // times a second.
  int readyFd = -1;
};

// Opens the channel for second copies (call it holding the single-instance
// lock).
TOtherCopies ListenForOtherCopies();

}  // namespace app
