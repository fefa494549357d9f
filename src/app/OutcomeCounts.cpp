#include "app/OutcomeCounts.h"

#include <algorithm>

#include "app/Texts.h"

namespace app {

int TOutcomeCounts::Of(TFileFate fate) const {
  int total = 0;
  for (const TOutcomeRow& row : kOutcomeRows)
    if (row.fate == fate) total += Of(row.code);
  return total;
}

TOutcomeCounts TOutcomeCounts::Since(const TOutcomeCounts& before) const {
  TOutcomeCounts since = *this;
  for (size_t code = 0; code < files.size(); ++code) since.files[code] -= before.files[code];
  since.notHandled -= before.notHandled;
  return since;
}

std::string OutcomeCountText(const TOutcomeCounts& counts) {
  std::string text =
      std::to_string(counts.Of(TFileFate::Written)) + std::string(texts::kCountWritten) +
      std::to_string(counts.Of(TFileFate::Clean)) + std::string(texts::kCountUnchanged) +
      std::to_string(counts.NotWritten()) + std::string(texts::kCountNotWritten);
  std::string reasons;
  for (const TOutcomeRow& row : kOutcomeRows) {
    if (row.fate != TFileFate::NotWritten || counts.Of(row.code) == 0) continue;
    if (!reasons.empty()) reasons += ", ";
    reasons += std::to_string(counts.Of(row.code)) + " " + std::string(row.reason);
  }
  if (!reasons.empty()) text += " (" + reasons + ")";
  return text + ", " + std::to_string(counts.notHandled) + std::string(texts::kNotHandled);
}

int ExitStatusOf(const TOutcomeCounts& counts, bool check, bool failed) {
  int status = failed ? kExitNotAll : kExitDone;
  for (const TOutcomeRow& row : kOutcomeRows)
    if (counts.Of(row.code) > 0)
      status = std::max(status, check ? row.checkExitStatus : row.exitStatus);
  return status;
}

}  // namespace app
