// Windows has no termination signals of the POSIX kind and no SIGPIPE: a
// console close ends the process without a handler of ours.
#include "platform/Signals.h"

namespace platform {

void PrepareSignals() {}

}  // namespace platform
