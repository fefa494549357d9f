// What became of the files of the batches run so far, counted by outcome, and
// what the counts come to: the count line and the exit status.
#pragma once

#include <array>
#include <string>

#include "app/Outcomes.h"

namespace app {

struct TOutcomeCounts {
  std::array<int, kOutcomeRows.size()> files{};  // by TOutcomeCode
  int notHandled = 0;                            // after the file whose error stopped a batch

  void Add(TOutcomeCode code) { ++files[static_cast<size_t>(code)]; }
  int Of(TOutcomeCode code) const { return files[static_cast<size_t>(code)]; }
  // The files of every outcome that counts as `fate`.
  int Of(TFileFate fate) const;
  int NotWritten() const { return Of(TFileFate::NotWritten); }
  // The counts since `before`, an earlier state of these.
  TOutcomeCounts Since(const TOutcomeCounts& before) const;
};

// "3 written, 1 already clean, 2 not written (1 not JPEG, 1 damaged), 0 not handled."
std::string OutcomeCountText(const TOutcomeCounts& counts);

// The exit status the counted files lead to: the highest of their rows'
// (kExitNotAll when `failed`, an error having stopped the batch).
int ExitStatusOf(const TOutcomeCounts& counts, bool check, bool failed);

}  // namespace app
