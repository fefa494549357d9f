// The stripping engine: bytes in, bytes and trace lines out.
//
// One TStripRun holds the state of one file's run (FLAG, Src, StripJpeg,
// TraceLog), so several runs may go on at once in one process. StripJpeg
// refers to the loaded input, which the run keeps until it ends. The engine makes
// no OS calls of its own: loading the file and the backup copy go through the
// TFileAccess handed in by the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "MemoryStream.h"
#include "StripOptions.h"
#include "StripOutput.h"
#include "VelmoraVersion.h"

namespace ExifData {

// The program's version text, made from the project's one version.
inline constexpr std::string_view Version = VELMORA_VERSION_TEXT;

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
// Cuts `text` to at most `limit` bytes without splitting a UTF-8 character.
void CutAtCharacter(std::string& text, size_t limit);

// What the file access keeps of a file it loaded, for that file's backup and
// save: the save writes the very file the load read, or nothing. The run that
// loaded the file owns it; what it holds (an open file, its folder) goes with
// it, when the run ends or loads another file.
class TLoadHandle {
 public:
  virtual ~TLoadHandle() = default;
};

// What loading a file may come to.
struct TLoadResult {
  enum class TKind { Loaded, Failed, TooLarge };
  TLoadResult() = default;
  TLoadResult(TKind kind_, std::string message_) : kind(kind_), message(std::move(message_)) {}
  TKind kind = TKind::Loaded;
  std::string message;  // Failed: the line for the log; may be empty (no text)
  // Loaded: what the platform keeps of the file; null where it keeps nothing.
  std::shared_ptr<TLoadHandle> handle;
};

// What one backup copy under one name came to.
enum class TBackupOutcome {
  Written,   // nothing bore the name; it now holds a copy of the file
  Kept,      // a file of the name already held the same bytes; left as it is
  Occupied,  // something else bears the name (other bytes, a link, a folder); untouched
  Failed,    // the copy could not be made
};

// The file services the driver needs; the platform layer implements them.
// `loaded` is the handle of the load of `existing` or `path`, or null: the
// file is then taken as its name stands now.
class TFileAccess {
 public:
  virtual ~TFileAccess() = default;
  // Reads the whole file into `into` (emptied first). Files of kMaxInputSize
  // bytes or more are refused without being read.
  virtual TLoadResult LoadFile(const std::string& path, TMemoryStream& into) = 0;
  // Copies `existing` to `backup` when nothing bears that name yet. Never
  // replaces or writes into anything that does: a backup may be the only copy
  // of an original.
  virtual TBackupOutcome CopyToBackup(const std::string& existing, const std::string& backup,
                                      const TLoadHandle* loaded) = 0;
  // Whether the file `path`, just loaded, may be replaced now: the user may
  // write it and no other program holds it against that. Asked before a
  // backup is made: a file the save would refuse gets none.
  virtual bool MayReplace(const std::string& path, const TLoadHandle* loaded) {
    static_cast<void>(path);
    static_cast<void>(loaded);
    return true;
  }
  // Removes `backup`, which the last CopyToBackup wrote, after the save of its
  // original failed: no copy of a file that was never stripped is left. Only
  // the file written is removed, never one that took the name since. False
  // when it is still there.
  virtual bool RemoveBackup(const std::string& backup) {
    static_cast<void>(backup);
    return false;
  }
  // The comment text (UTF-8, its zero byte included) in the encoding the
  // comment segment carries on this platform. Never longer than `text`, so the
  // comment's limit holds. UTF-8 unchanged unless a platform says otherwise.
  virtual std::string CommentBytes(const std::string& text) const { return text; }
};

// Why a walk's output must not be written over its input.
enum class TDamage {
  None,
  SkippedPastEnd,  // a dropped segment runs past the end (or the end cuts its length)
  ShortLength,     // a dropped segment's length is below 2
  NotMarker,       // bytes that are not a marker stand before the first scan
  SecondSOI,       // a second start-of-image marker stands before the first scan
};

// What became of one file, as far as the engine decides it.
enum class TOutcome {
  Stripped,      // StripJpeg holds the file to write over the input
  Unchanged,     // StripJpeg equals the input: nothing was left to remove
  NotLoaded,     // the file could not be read (the line says why)
  TooLarge,      // the file is too large to be walked
  NotJpeg,       // the file does not start with the start-of-image marker
  Damaged,       // see TAnalyzeResult::damage; the output must not be written
  BackupFailed,  // the backup asked for could not be made
};

// A stretch of the input that the output leaves out: a segment, from its
// marker on, or the bytes after the end-of-image marker (marker 0).
struct TRemovedSegment {
  uint16_t marker = 0;
  std::string_view kind;  // see SegmentKind.h
  int64_t offset = 0;
  int64_t length = 0;  // as far as the input holds it
};

// What the driver tells its caller besides TraceLog and StripJpeg.
struct TAnalyzeResult {
  TOutcome outcome = TOutcome::NotLoaded;
  TDamage damage = TDamage::None;
  // With flSaveOriginal, once the file is to be written: the last name tried
  // and what became of it (Written or Kept on success).
  bool backupAttempted = false;
  TBackupOutcome backup = TBackupOutcome::Failed;
  std::string backupName;
};

class TStripRun {
 public:
  // `exePath`: full path of the running executable in UTF-8, used for the
  // comment text; `files` encodes that text (CommentBytes).
  TStripRun(TFileAccess& files, std::string exePath);
  TStripRun(const TStripRun&) = delete;
  TStripRun& operator=(const TStripRun&) = delete;

  // The options, set by the caller before each file.
  TStripOptions FLAG = flNone;
  // Set by a caller that writes the output as it is pulled (Output()): the
  // search through a long scan of a file to be written then waits for the
  // pulls, each chunk searched right after the save wrote it. Until the scan
  // is searched through (by the pulls or by FinishScan), Stripped(),
  // RemovedSegments() and Trace() lack what the search finds.
  bool PullLongScan = false;

  // The driver: one call per file. With flSaveOriginal it makes the backup
  // after the walk, and only when the output is to be written (outcome
  // Stripped) and the file may be replaced (TFileAccess::MayReplace). Throws
  // EStreamReadError when a kept segment runs past the end of the input
  // (Trace() keeps the lines written so far; no backup is made).
  TAnalyzeResult AnalyzeExif(const std::string& FileName);

  // What the last AnalyzeExif found, valid until the next one or the run's end.
  // The file's trace lines, from its header line on.
  const TStringList& Trace() const { return TraceLog; }
  // The stripped file; its ranges refer to Input().
  const TStripOutput& Stripped() const { return StripJpeg; }
  // The file as it was loaded.
  const TMemoryStream& Input() const { return Src; }
  // What the walk left out, in input order; empty when the output equals the input.
  const std::vector<TRemovedSegment>& RemovedSegments() const { return Removed; }
  // What the file access keeps of the file AnalyzeExif loaded, for its save;
  // null when it keeps nothing or no file was loaded.
  const TLoadHandle* Loaded() const { return loaded_.get(); }
  // The output for a save that writes it as the search goes (PullLongScan).
  TPulledOutput& Output() { return output_; }
  // Ends a search that still waits for pulls: the output, the removed
  // stretches and the trace lines are then whole.
  void FinishScan();
  // Gives back the file's bytes and the output once they are written: a save
  // that waits for others holds only the load's handle. Input() and
  // Stripped() are empty after; Trace(), RemovedSegments() and Loaded() stay.
  void ReleaseBytes();

 private:
  // The walk's steps one at a time, for tests (engine/WalkSteps.h).
  friend class TWalkSteps;

  // The walk and its primitives. Src is positioned as each one documents in
  // its definition.
  void ReadJpeg(TMemoryStream& Src);
  void SkipSegment(TMemoryStream& Src);
  void WriteSegment(TMemoryStream& Src);
  void WriteJFIF();
  void WriteCOM();
  int32_t SeekEOI(TMemoryStream& Src);
  // After ReadJpeg: why its output must not be written, if it must not.
  TDamage Damage() const { return damage_; }
  bool SkippedPastEnd() const { return damage_ == TDamage::SkippedPastEnd; }

  // A long scan whose end is still to be searched for, chunk by chunk.
  struct TPendingScan {
    TMemoryStream* input = nullptr;  // none: no search waits
    int64_t start = 0;               // the start-of-scan marker in the input
    int64_t handedOut = 0;           // the input up to here went out in chunks
    int64_t searchAt = 0;            // where the search goes on
  };
  class TRunOutput : public TPulledOutput {
   public:
    explicit TRunOutput(TStripRun& run) : run_(run) {}
    TBytePieces Known() override { return run_.StripJpeg.Pieces(); }
    std::span<const uint8_t> Pull() override { return run_.PullScan(); }
    TBytePieces Pieces() override {
      run_.FinishScan();
      return run_.StripJpeg.Pieces();
    }

   private:
    TStripRun& run_;
  };

  void CopyScan(TMemoryStream& Src);
  void CopyRest(TMemoryStream& Src);
  void MakeBackup(const std::string& FileName, TAnalyzeResult& result);
  bool SameAsInput() const;
  void NoteRemoved(const TMemoryStream& Src, uint16_t marker, int64_t at, int64_t length);
  void KeepScan(TMemoryStream& Src, int64_t start, int64_t found);
  std::span<const uint8_t> PullScan();
  void EndPending(int64_t found);

  TStripOutput StripJpeg;
  TStringList TraceLog;
  // The file AnalyzeExif loaded; StripJpeg's ranges refer to it.
  TMemoryStream Src;
  std::vector<TRemovedSegment> Removed;
  TFileAccess& files_;
  std::string exePath_;
  std::shared_ptr<TLoadHandle> loaded_;
  TDamage damage_ = TDamage::None;
  TPendingScan pending_;
  TRunOutput output_{*this};
};

}  // namespace ExifData
