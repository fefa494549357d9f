// Fuzz entry: the driver on arbitrary bytes. The first byte is FLAG, the rest
// is the file. Every run checks what must hold for any input, and aborts when
// it does not:
//  - a file starting FF D8 gives an output starting FF D8; any other gives none;
//  - every walk line names the two bytes at its offset;
//  - apart from the fresh JFIF segment after FF D8 and the comment before the
//    final copy, the output is a sequence of input slices taken front to back,
//    each starting at a marker the trace names and ending where the next named
//    marker starts (the last one may end earlier);
//  - a file is either left as it was (damaged, not JPEG, nothing to remove) or
//    written so that no dropped kind of segment stands before its first scan;
//    "nothing to remove" means the output equals the input, and a backup is
//    asked for exactly when the file is to be written with the backup option;
//  - with the end-of-image cut, the search finds what a byte-by-byte walk of
//    the structure from the start of scan finds, and the output then ends FF D9;
//  - the only exception is the stream read error, and the checks above hold
//    for the output written until it was raised;
//  - with the orientation kept, the minimal Exif segment stands right after the
//    JFIF segment (fresh, or the input's own APP0 segments) exactly when the
//    input's Exif gives an orientation; its value is that of an Orientation
//    entry present in the input, and reading the segment gives it back;
//  - the Exif reader, handed the file's bytes as a segment body, is held to the
//    same: a value it gives comes from an Orientation entry there;
//  - where libjpeg is at hand: a written file whose input libjpeg decodes
//    decodes too, to the same samples (taken as coded, so that a dropped
//    JFIF or Adobe segment changes none). A header walked wrongly (a marker
//    read with a length it does not have, say) passes the checks above as
//    long as it copies whole slices, but not this one.
// Reads outside the input are left to AddressSanitizer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "FakeFileAccess.h"
#if VELMORA_FUZZ_DECODE
#include "JpegDecode.h"
#endif
#include "InsertedBytes.h"
#include "StructureWalk.h"
#include "engine/ExifData.h"
#include "engine/ExifOrientation.h"

namespace {

using velmora::test::kFreshJFIF;
// The engine runs as an executable named Velmora.
const std::vector<uint8_t>& kComment = velmora::test::kVelmoraComment;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

bool Same(const std::vector<uint8_t>& out, size_t at, const uint8_t* bytes, size_t count) {
  return at + count <= out.size() && std::memcmp(out.data() + at, bytes, count) == 0;
}

// Input offsets of the walk's trace lines: every "ADRS=$" line after the
// start-of-image line, the end-of-image search's own line excepted. Each line
// names the two bytes at its offset.
std::vector<size_t> WalkOffsets(const std::vector<uint8_t>& in, const ExifData::TStringList& log) {
  std::vector<size_t> offsets;
  for (size_t i = 2; i < log.size(); ++i) {
    const std::string& line = log[i];
    if (line.rfind("ADRS=$", 0) != 0) Fail("a walk line without ADRS=$");
    if (line.size() >= 15 && line.compare(line.size() - 15, 15, " MARK=$FFD9 EOI") == 0) continue;
    const size_t at = std::strtoull(line.c_str() + 6, nullptr, 16);
    const size_t mark = line.find(" MARK=$");
    if (mark == std::string::npos || at >= in.size()) Fail("a walk line without its marker");
    const unsigned long marker = std::strtoul(line.c_str() + mark + 7, nullptr, 16);
    const unsigned long bytes = in[at] * 256ul + (at + 1 < in.size() ? in[at + 1] : 0);
    if (marker != bytes) Fail("a walk line names other bytes than those at its offset");
    offsets.push_back(at);
  }
  return offsets;
}

void CheckSlices(const std::vector<uint8_t>& in, const std::vector<uint8_t>& out,
                 ExifData::TStripOptions flag, const std::vector<size_t>& offsets) {
  std::set<size_t> reach{2};
  if (ExifData::Has(flag, ExifData::flWriteJFIF) &&
      Same(out, 2, kFreshJFIF.data(), kFreshJFIF.size())) {
    reach.insert(2 + kFreshJFIF.size());
  }
  if (offsets.empty()) {
    if (!reach.count(out.size())) Fail("bytes written without a trace line");
    return;
  }
  for (size_t i = 0; i + 1 < offsets.size(); ++i) {
    if (offsets[i + 1] <= offsets[i] || offsets[i + 1] > in.size())
      Fail("trace offsets not rising");
    const size_t count = offsets[i + 1] - offsets[i];
    std::set<size_t> next;
    for (size_t at : reach) {
      next.insert(at);                                                            // left out
      if (Same(out, at, in.data() + offsets[i], count)) next.insert(at + count);  // copied
    }
    reach = std::move(next);
  }
  // The last slice starts at the last marker, after the comment when one was inserted.
  const size_t last = offsets.back();
  for (size_t at : reach) {
    if (at == out.size()) return;
    size_t from = at;
    if (ExifData::Has(flag, ExifData::flWriteComment) &&
        Same(out, at, kComment.data(), kComment.size())) {
      from = at + kComment.size();
    }
    for (size_t start : {at, from}) {
      const size_t rest = out.size() - start;
      if (rest >= 2 && last + rest <= in.size() && Same(out, start, in.data() + last, rest)) return;
    }
  }
  Fail("the output is not input slices taken front to back");
}

// A written file (the orientation segment taken out): from FF D8 to its first
// scan, only markers, none of a dropped kind (the comment only as the inserted
// one right before the scan, APP2 only as a kept ICC profile chunk).
void CheckWrittenHeader(const std::vector<uint8_t>& out, ExifData::TStripOptions flag) {
  size_t p = 2;
  while (p + 2 <= out.size()) {
    if (out[p] != 0xFF) Fail("a written file holds bytes that are not a marker before its scan");
    const uint8_t code = out[p + 1];
    if (code == 0xDA) return;
    const bool comment = code == 0xFE && ExifData::Has(flag, ExifData::flWriteComment) &&
                         Same(out, p, kComment.data(), kComment.size()) &&
                         p + kComment.size() + 2 <= out.size() &&
                         out[p + kComment.size()] == 0xFF && out[p + kComment.size() + 1] == 0xDA;
    static constexpr uint8_t kICC[] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
    const bool icc =
        code == 0xE2 && ExifData::Has(flag, ExifData::flKeepICC) && Same(out, p + 4, kICC, 12);
    const bool dropped = (code == 0xE0 && !ExifData::Has(flag, ExifData::flWriteJFIF)) ||
                         (code >= 0xE1 && code <= 0xEF &&
                          !(code == 0xEE && ExifData::Has(flag, ExifData::flWriteAPP14)) && !icc) ||
                         (code == 0xFE && !comment);
    if (dropped) Fail("a written file keeps a dropped kind of segment before its scan");
    if (p + 4 > out.size()) return;  // the input ended inside this length field
    p += 2 + out[p + 2] * 256u + out[p + 3];
  }
}

void CheckEndOfImage(const std::vector<uint8_t>& in, const std::vector<uint8_t>& out,
                     const ExifData::TStringList& log) {
  size_t sos = log.size();
  for (size_t i = 2; i < log.size(); ++i) {
    if (log[i].ends_with(" SOS")) sos = i;
  }
  if (sos == log.size()) return;  // the walk ended before a scan
  const size_t E = std::strtoull(log[sos].c_str() + 6, nullptr, 16);
  const size_t found = velmora::test::ReferenceSeekEOI(in, E);
  if (found == E) {
    if (sos + 1 != log.size()) Fail("an end-of-image line where the structure gives none");
    return;
  }
  char line[48];
  std::snprintf(line, sizeof line, "ADRS=$%06zX MARK=$FFD9 EOI", found);
  if (sos + 2 != log.size() || log[sos + 1] != line) Fail("end-of-image line");
  if (out[out.size() - 2] != 0xFF || out.back() != 0xD9) Fail("cut output does not end FF D9");
}

// The Orientation entry that `found` was read from is in `bytes`: tag 0x0112,
// a single SHORT or LONG holding the value, in the reported byte order.
void CheckOrientationSource(const std::vector<uint8_t>& bytes,
                            const ExifData::TExifOrientation& found) {
  if (found.value < 2 || found.value > 8) Fail("orientation out of range");
  const bool big = found.bigEndian;
  const auto entry = [big](uint16_t type, uint32_t value) {
    std::vector<uint8_t> e;
    const auto put = [&](uint32_t v, int size) {
      for (int i = 0; i < size; ++i) {
        const int shift = 8 * (big ? size - 1 - i : i);
        e.push_back(static_cast<uint8_t>(v >> shift));
      }
    };
    put(0x0112, 2);
    put(type, 2);
    put(1, 4);
    put(value, type == 3 ? 2 : 4);
    return e;
  };
  for (const auto& pattern : {entry(3, found.value), entry(4, found.value)}) {
    for (size_t at = 0; at + pattern.size() <= bytes.size(); ++at) {
      if (Same(bytes, at, pattern.data(), pattern.size())) return;
    }
  }
  Fail("an orientation that no entry of the input holds");
}

void CheckRoundTrip(const ExifData::TExifOrientation& found) {
  const std::vector<uint8_t> segment = ExifData::OrientationSegment(found);
  const auto back = ExifData::ReadExifOrientation(std::span(segment).subspan(4));
  if (!back || back->value != found.value || back->bigEndian != found.bigEndian)
    Fail("the orientation segment does not read back");
}

// Takes the orientation segment out of `out` when the walk placed it, so that
// the rest can be checked as input slices. It must stand after the start of
// image, the fresh JFIF segment and the kept APP0 segments, whichever there
// are. Only a kept APP0 that broke the walk may keep it from being placed.
void TakeOrientation(std::vector<uint8_t>& out, bool threw,
                     const ExifData::TExifOrientation& found) {
  CheckRoundTrip(found);
  const std::vector<uint8_t> segment = ExifData::OrientationSegment(found);
  size_t at = 2;
  // A kept APP0 may look just like the fresh one: both are hopped alike.
  while (at + 4 <= out.size() && out[at] == 0xFF && out[at + 1] == 0xE0 &&
         !Same(out, at, segment.data(), segment.size())) {
    at += 2 + (out[at + 2] << 8 | out[at + 3]);
  }
  if (Same(out, at, segment.data(), segment.size())) {
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(at),
              out.begin() + static_cast<std::ptrdiff_t>(at + segment.size()));
    return;
  }
  if (!threw) Fail("orientation segment missing or misplaced");
}

void CheckDecodesAsWell(const std::vector<uint8_t>& in, const std::vector<uint8_t>& out) {
#if VELMORA_FUZZ_DECODE
  // Small enough to keep a run short; the fuzzer's inputs are a few KB.
  constexpr velmora::test::TDecodeOptions kOptions{.asCoded = true, .maxSamples = 1u << 20};
  const velmora::test::TDecoded before = velmora::test::DecodeJpeg(in, kOptions);
  if (!before.ok) return;
  const velmora::test::TDecoded after = velmora::test::DecodeJpeg(out, kOptions);
  if (!after.ok) Fail("the input decodes, the written file does not");
  if (after.width != before.width || after.height != before.height ||
      after.components != before.components || after.pixels != before.pixels) {
    Fail("the written file decodes to other samples than the input");
  }
#else
  static_cast<void>(in);
  static_cast<void>(out);
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const ExifData::TStripOptions flag{data[0]};
  const std::vector<uint8_t> in(data + 1, data + size);

  if (const auto found = ExifData::ReadExifOrientation(in)) {
    CheckOrientationSource(in, *found);
    CheckRoundTrip(*found);
  }

  velmora::test::TFakeFileAccess files;
  files.files["/in/a.jpg"] = in;
  ExifData::TStripRun run(files, "/opt/velmora/Velmora");
  run.FLAG = flag;
  ExifData::TAnalyzeResult result;
  bool threw = false;
  try {
    result = run.AnalyzeExif("/in/a.jpg");
  } catch (const ExifData::EStreamReadError&) {
    threw = true;
  }

  std::vector<uint8_t> out = run.Stripped().Bytes();
  const bool jpeg = in.size() >= 2 && in[0] == 0xFF && in[1] == 0xD8;
  if (run.Trace().empty() || run.Trace()[0] != "-----<a.jpg>-----") Fail("header line");
  if (!jpeg) {
    if (!out.empty() || run.Trace().size() != 2 || threw) Fail("a file that is not JPEG");
    if (result.outcome != ExifData::TOutcome::NotJpeg) Fail("outcome of a file that is not JPEG");
    if (!files.copies.empty()) Fail("a backup of a file that is not JPEG");
    return 0;
  }
  if (run.Trace().size() < 2 || run.Trace()[1] != "ADRS=$000000 MARK=$FFD8 SOI") {
    Fail("start-of-image line");
  }
  if (out.size() < 2 || out[0] != 0xFF || out[1] != 0xD8) Fail("output does not start FF D8");
  if (ExifData::Has(flag, ExifData::flKeepOrientation)) {
    if (const auto found = ExifData::FindExifOrientation(in)) {
      CheckOrientationSource(in, *found);
      TakeOrientation(out, threw, *found);
    }
  }
  CheckSlices(in, out, flag, WalkOffsets(in, run.Trace()));
  if (!threw && ExifData::Has(flag, ExifData::flDeleteAfterEOI))
    CheckEndOfImage(in, out, run.Trace());
  if (threw) {
    if (!files.copies.empty()) Fail("a backup of a file whose run failed");
    return 0;
  }

  using ExifData::TOutcome;
  const bool notMarker = run.Trace().back().ends_with(" is not marker. Terminated.");
  if (notMarker != (result.damage == ExifData::TDamage::NotMarker)) Fail("not-a-marker damage");
  if ((result.damage != ExifData::TDamage::None) != (result.outcome == TOutcome::Damaged)) {
    Fail("damage and outcome disagree");
  }
  if (result.outcome == TOutcome::Damaged) return 0;
  if ((result.outcome == TOutcome::Unchanged) != (run.Stripped().Bytes() == in))
    Fail("unchanged is not output == input");
  if (result.outcome != TOutcome::Stripped && result.outcome != TOutcome::Unchanged) {
    Fail("outcome of a JPEG file");
  }
  const bool backup =
      ExifData::Has(flag, ExifData::flSaveOriginal) && result.outcome == TOutcome::Stripped;
  if (backup != (files.copies.size() == 1) || files.copies.size() > 1) Fail("backup");
  CheckWrittenHeader(out, flag);
  if (result.outcome == TOutcome::Stripped) CheckDecodesAsWell(in, run.Stripped().Bytes());
  return 0;
}
