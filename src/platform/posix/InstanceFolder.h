// Where the single-instance lock and the channel beside it live: the first
// of $XDG_RUNTIME_DIR and a private per-user folder in which the lock file
// can be opened. Lock, server and second copy all find it by this one rule.
#pragma once

#include <string>

#include "platform/posix/UniqueFd.h"

namespace platform::posix {

struct TInstanceFolder {
  TUniqueFd folder = TUniqueFd();  // invalid when no folder can hold the lock
  std::string path;
  TUniqueFd lockFile = TUniqueFd();
};

// The folder for the instance `name` with its lock file opened (created 0600).
TInstanceFolder FindInstanceFolder(const std::string& name);

// True when the folder is a folder of the user that nobody else may write.
bool IsPrivateFolder(int folder);

}  // namespace platform::posix
