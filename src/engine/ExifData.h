// The stripping engine: bytes in, bytes and trace lines out.
//
// One TStripRun holds the state of one file's run (FLAG, Src, StripJpeg,
// TraceLog), so several runs may go on at once in one process. The engine makes
// no OS calls of its own: loading the file and the backup copy go through the
// TFileAccess handed in by the caller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "MemoryStream.h"

namespace ExifData {

inline constexpr uint8_t flWriteJFIF = 1;
inline constexpr uint8_t flDeleteAfterEOI = 2;
inline constexpr uint8_t flSaveOriginal = 4;
inline constexpr uint8_t flWriteComment = 8;
inline constexpr uint8_t flOriginalJFIF = 16;
inline constexpr uint8_t flWriteAPP14 = 32;
// Settings-only options, never a check box: keep the picture's orientation as
// a minimal Exif segment; keep the ICC profile's APP2 segments.
inline constexpr uint8_t flKeepOrientation = 64;
inline constexpr uint8_t flKeepICC = 128;

inline constexpr std::string_view Version = "v0.1.3d";

// Inputs at or above this size are refused: offsets in the walk are 32-bit.
inline constexpr int64_t kMaxInputSize = int64_t{1} << 31;

using TStringList = std::vector<std::string>;

uint16_t MM2(uint16_t D2);
// Upper-case hexadecimal, zero-padded to at least `width` digits, never cut.
std::string HexText(uint64_t value, int width);
// "ADRS=$" offset " MARK=$" marker label.
std::string TraceLine(uint32_t offset, uint16_t marker, std::string_view label);
// The comment segment's text for an executable at `exePath`: "Modified by ",
// the file name without extension, " ", Version and a zero byte; at most 256
// bytes, a long name being cut at a UTF-8 character boundary.
std::string CommentText(std::string_view exePath);

// What loading a file may come to.
struct TLoadResult {
  enum class TKind { Loaded, Failed, TooLarge };
  TKind kind = TKind::Loaded;
  std::string message;  // Failed: the line for the log; may be empty (no text)
};

// The file services the driver needs; the platform layer implements them.
class TFileAccess {
 public:
  virtual ~TFileAccess() = default;
  // Reads the whole file into `into` (emptied first). Files of kMaxInputSize
  // bytes or more are refused without being read.
  virtual TLoadResult LoadFile(const std::string& path, TMemoryStream& into) = 0;
  // Copies `existing` to `backup`, replacing a file of that name. True on success.
  virtual bool CopyToBackup(const std::string& existing, const std::string& backup) = 0;
  // The comment text (UTF-8, its zero byte included) in the encoding the
  // comment segment carries on this platform. Never longer than `text`, so the
  // comment's limit holds. UTF-8 unchanged unless a platform says otherwise.
  virtual std::string CommentBytes(const std::string& text) const { return text; }
};

// What the driver tells its caller besides TraceLog and StripJpeg.
struct TAnalyzeResult {
  bool backupAttempted = false;
  bool backupSucceeded = false;
  // The walk skipped a segment whose length ran past the end of the input (or
  // whose length field was cut by the end): the input is damaged and the output
  // lacks everything from that segment on.
  bool skippedPastEnd = false;
};

class TStripRun {
 public:
  // `exePath`: full path of the running executable in UTF-8, used for the
  // comment text; `files` encodes that text (CommentBytes).
  TStripRun(TFileAccess& files, std::string exePath);

  uint8_t FLAG = 0;
  TMemoryStream StripJpeg;
  TStringList TraceLog;

  // The driver: one call per file. Throws EStreamReadError when a kept segment
  // runs past the end of the input (TraceLog keeps the lines written so far).
  TAnalyzeResult AnalyzeExif(const std::string& FileName);

  // The walk and its primitives, public for tests. Src is positioned as each
  // one documents in its definition.
  void ReadJpeg(TMemoryStream& Src);
  void SkipSegment(TMemoryStream& Src);
  void WriteSegment(TMemoryStream& Src);
  void WriteJFIF();
  void WriteCOM();
  int32_t SeekEOI(TMemoryStream& Src);
  // After ReadJpeg: the walk skipped a segment past the end of the input.
  bool SkippedPastEnd() const { return skippedPastEnd_; }

 private:
  void CopyScan(TMemoryStream& Src);
  void CopyRest(TMemoryStream& Src, bool afterFill);

  TFileAccess& files_;
  std::string exePath_;
  bool skippedPastEnd_ = false;
};

}  // namespace ExifData
