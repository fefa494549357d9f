// The program's exit statuses, the same for every kind of run.
#pragma once

namespace app {

inline constexpr int kExitDone = 0;         // every file written or already clean (a check: clean)
inline constexpr int kExitNotAll = 1;       // some file was not, or an error stopped the batch
inline constexpr int kExitUsage = 2;        // no files named, or the command line is wrong
inline constexpr int kExitAnotherCopy = 3;  // another copy runs and would not take the files

}  // namespace app
