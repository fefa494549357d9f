// The walk's steps one at a time, outside a driver's run: a step on bytes a
// test holds, and the run's output and lines after it. Not for programs:
// they call TStripRun::AnalyzeExif.
#pragma once

#include <cstdint>

#include "ExifData.h"

namespace ExifData {

class TWalkSteps {
 public:
  explicit TWalkSteps(TStripRun& run) : run_(run) {}

  // Empties the output, the lines and the removed stretches, for another
  // walk on the same run.
  void Clear() {
    run_.StripJpeg.Clear();
    run_.TraceLog.clear();
    run_.Removed.clear();
  }

  void ReadJpeg(TMemoryStream& Src) { run_.ReadJpeg(Src); }
  void SkipSegment(TMemoryStream& Src) { run_.SkipSegment(Src); }
  void WriteSegment(TMemoryStream& Src) { run_.WriteSegment(Src); }
  void WriteJFIF() { run_.WriteJFIF(); }
  void WriteCOM() { run_.WriteCOM(); }
  int32_t SeekEOI(TMemoryStream& Src) { return run_.SeekEOI(Src); }
  TDamage Damage() const { return run_.Damage(); }
  bool SkippedPastEnd() const { return run_.SkippedPastEnd(); }
  const TStripOutput& StripJpeg() const { return run_.StripJpeg; }
  const TStringList& TraceLog() const { return run_.TraceLog; }

 private:
  TStripRun& run_;
};

}  // namespace ExifData
