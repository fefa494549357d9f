// The running copy's side of a second launch: the files that second copies
// hand over (platform/InstanceChannel.h) reach the window's logic here, so
// the window itself only has to call a task now and then.
#pragma once

#include <functional>

#include "app/TFormMain.h"

namespace app {

// Called by the window's event loop a few times a second while the window is
// open; it must not wait, and it runs no batch itself (the batches it appends
// begin in steps of their own).
using TFormTask = std::function<void(TFormMain&)>;

// Opens the channel for second copies (call it holding the single-instance
// lock). The task hands what arrived to TFormMain::OtherCopiesStarted. Empty
// when no channel could be made.
TFormTask ListenForOtherCopies();

}  // namespace app
