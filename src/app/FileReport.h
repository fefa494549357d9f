// What became of one file of a batch, for views that say it in words of
// their own (the check lines, the JSON lines) rather than in the log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ExifData.h"

namespace app {

enum class TFileFate {
  Written,     // the stripped bytes were handed to the save
  Clean,       // nothing left to remove: left as it was
  NotWritten,  // left as it was for a fault (reason, detail)
};

struct TFileReport {
  std::string file;  // as the batch named it
  TFileFate fate = TFileFate::NotWritten;
  std::string_view reason;  // NotWritten: the kind, as the outcome line counts it
  std::string detail;       // NotWritten: the file's last log line, without its stars
  int64_t bytesBefore = 0;  // 0 when the file could not be read
  int64_t bytesAfter = 0;   // the output's size when written, else bytesBefore
  std::vector<ExifData::TRemovedSegment> removed;  // Written: what went
  std::string backup;                              // the backup written or kept, if any
};

}  // namespace app
