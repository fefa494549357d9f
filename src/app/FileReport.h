// What became of one file of a batch, for views that say it in words of
// their own (the check lines, the JSON lines) rather than in the log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/Outcomes.h"
#include "engine/ExifData.h"

namespace app {

struct TFileReport {
  std::string file;  // as the batch named it
  TOutcomeCode outcome = TOutcomeCode::Error;
  std::string detail;       // not written: the file's last log line, without its stars
  int64_t bytesBefore = 0;  // 0 when the file could not be read
  int64_t bytesAfter = 0;   // the output's size when written, else bytesBefore
  std::vector<ExifData::TRemovedSegment> removed;  // written: what went
  std::string backup;                              // the backup written or kept, if any

  const TOutcomeRow& Row() const { return OutcomeRow(outcome); }
  TFileFate Fate() const { return Row().fate; }
};

}  // namespace app
