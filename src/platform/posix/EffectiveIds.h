// The effective user and group of the process, asked of the system once: a
// save wants them several times per file.
#pragma once

#include <sys/types.h>

namespace platform::posix {

uid_t EffectiveUser();
gid_t EffectiveGroup();

}  // namespace platform::posix
