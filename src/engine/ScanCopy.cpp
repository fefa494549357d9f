// The scan's copy: to the end-of-image marker when asked, found at once or,
// for a long scan a save writes as it goes, a chunk at a time.
#include <algorithm>
#include <cstddef>
#include <utility>

#include "EndSearch.h"
#include "EngineTexts.h"
#include "ExifData.h"

namespace ExifData {

// Entry: Src just after the start-of-scan marker. Copies the scan and what
// follows it, to the end-of-image marker when asked, after the comment.
void TStripRun::CopyScan(TMemoryStream& Src) {
  Src.Seek(-2);
  const int64_t CP = Src.Position();
  // The comment first: the scan's place in the output is then known while
  // the search runs through it.
  if (Has(FLAG, flWriteComment)) WriteCOM();
  if (!Has(FLAG, flDeleteAfterEOI)) {
    KeepScan(Src, CP, kNoEnd);
    return;
  }
  const int64_t size = Src.Size();
  // Only a file that will be written waits for the pulls: its output so far
  // differs from the input's own start, so it cannot come out the same.
  if (PullLongScan && size - CP > kScanChunk &&
      !StripJpeg.StartOf(Src.Data(), static_cast<size_t>(size))) {
    const int64_t body = PastSegment(Src.Data(), CP, size);
    if (body != kNoEnd) {
      pending_ = {&Src, CP, CP, body};
      return;
    }
  }
  const int32_t found = SeekEOI(Src);
  KeepScan(Src, CP, found != CP ? found : kNoEnd);
}

// The input from the scan at `start` to the end-of-image marker at `found`
// and past it, or to the input's end; what follows that marker is noted as
// removed.
void TStripRun::KeepScan(TMemoryStream& Src, int64_t start, int64_t found) {
  const int64_t size = Src.Size();
  const int64_t end = found == kNoEnd ? size : found + 2;
  if (end < size) NoteRemoved(Src, 0, end, size - end);
  Src.SetPosition(start);
  StripJpeg.CopyFrom(Src, end - start);
}

std::span<const uint8_t> TStripRun::PullScan() {
  if (pending_.input == nullptr) return {};
  const uint8_t* data = pending_.input->Data();
  const int64_t size = pending_.input->Size();
  // The chunk handed out last was written by now: it is searched while it
  // is still in the processor's cache.
  if (pending_.handedOut > pending_.start) {
    const int64_t found = FollowUpTo(data, pending_.searchAt, size, pending_.handedOut);
    if (found != kSearchOn) {
      EndPending(found);
      return {};
    }
  }
  const int64_t from = pending_.handedOut;
  pending_.handedOut = std::min(size, from + kScanChunk);
  return {data + from, static_cast<size_t>(pending_.handedOut - from)};
}

void TStripRun::FinishScan() {
  TMemoryStream* input = pending_.input;
  if (input == nullptr) return;
  EndPending(FollowUpTo(input->Data(), pending_.searchAt, input->Size(), input->Size()));
}

void TStripRun::ReleaseBytes() {
  FinishScan();
  StripJpeg.Clear();
  Src.Clear();
}

void TStripRun::EndPending(int64_t found) {
  TMemoryStream& input = *std::exchange(pending_.input, nullptr);
  if (found != kNoEnd)
    TraceLog.push_back(TraceLine(static_cast<uint32_t>(found), 0xFFD9, texts::kEOI));
  KeepScan(input, pending_.start, found);
}

}  // namespace ExifData
