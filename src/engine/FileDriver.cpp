// The driver: one file from its path to the stripped bytes and the log lines.
#include <utility>

#include "EngineTexts.h"
#include "ExifData.h"
#include "PathRules.h"
#include "StreamFields.h"

namespace ExifData {

namespace {

// The line for a file that does not start with the start-of-image marker,
// naming its likely format.
std::string NotJpegLine(uint16_t Marker) {
  std::string_view text = texts::kNotJpeg;
  switch (Marker) {
    case 0x8950:
      text = texts::kMustBePNG;
      break;
    case 0x4749:
      text = texts::kMustBeGIF;
      break;
    case 0x424D:
      text = texts::kMustBeBMP;
      break;
    case 0x4D4D:
    case 0x4949:
      text = texts::kMustBeTIFF;
      break;
    case 0x4D5A:
      text = texts::kExecutable;
      break;
    default:
      break;
  }
  return std::string(text) + HexText(Marker, 4);
}

}  // namespace

TStripRun::TStripRun(TFileAccess& files, std::string exePath)
    : files_(files), exePath_(std::move(exePath)) {
  TraceLog.reserve(16);  // a file's lines, mostly without growing
}

TAnalyzeResult TStripRun::AnalyzeExif(const std::string& FileName) {
  TAnalyzeResult result;
  damage_ = TDamage::None;
  pending_ = {};
  TraceLog.clear();
  StripJpeg.Clear();
  Removed.clear();
  const std::string name = FileNameOf(FileName);
  TraceLog.push_back(std::string(texts::kHeaderOpen) + name + std::string(texts::kHeaderClose));

  // Src is kept until the run ends: StripJpeg's ranges refer to it. What the
  // file access kept of the file before goes now.
  loaded_.reset();
  TLoadResult load = files_.LoadFile(FileName, Src);
  loaded_ = std::move(load.handle);
  if (load.kind == TLoadResult::TKind::Failed) {
    TraceLog.push_back(load.message.empty() ? std::string(texts::kFileOpenError) + name
                                            : load.message);
    result.outcome = TOutcome::NotLoaded;
    return result;
  }
  // Offsets in the walk are 32-bit: a loader that did not refuse a large file
  // is refused here.
  if (load.kind == TLoadResult::TKind::TooLarge || Src.Size() >= kMaxInputSize) {
    TraceLog.push_back(std::string(texts::kFileTooLarge));
    result.outcome = TOutcome::TooLarge;
    return result;
  }

  Src.SetPosition(0);
  uint16_t Marker = 0;
  ReadField(Src, Marker);
  if (Marker != 0xFFD8) {
    TraceLog.push_back(NotJpegLine(Marker));
    result.outcome = TOutcome::NotJpeg;
    return result;
  }
  TraceLog.push_back(TraceLine(static_cast<uint32_t>(Src.Position() - 2), Marker, texts::kSOI));
  ReadJpeg(Src);

  // The backup comes after the walk: a file that will not be written needs
  // none, and a backup of an already stripped file would hold no original.
  result.damage = damage_;
  if (damage_ != TDamage::None) {
    result.outcome = TOutcome::Damaged;
  } else if (SameAsInput()) {
    result.outcome = TOutcome::Unchanged;
    Removed.clear();  // what went came back the same (the comment, say)
  } else {
    result.outcome = TOutcome::Stripped;
    // A file the save will refuse (read-only, held open elsewhere) gets no
    // backup: it would be a copy of a file that was never stripped. The save
    // then reports why.
    if (Has(FLAG, flSaveOriginal) && files_.MayReplace(FileName, Loaded()))
      MakeBackup(FileName, result);
  }
  return result;
}

// A scan still to be pulled follows bytes that differ from the input's own
// (CopyScan): such an output never equals its input.
bool TStripRun::SameAsInput() const {
  return pending_.input == nullptr && StripJpeg.Equals(Src.Data(), static_cast<size_t>(Src.Size()));
}

// The first backup name that is free or already holds the same bytes; a name
// held by anything else is passed over, never replaced.
void TStripRun::MakeBackup(const std::string& FileName, TAnalyzeResult& result) {
  constexpr int kBackupNames = 999;
  result.backupAttempted = true;
  for (int number = 1; number <= kBackupNames; ++number) {
    result.backupName = BackupNameOf(FileName, number);
    result.backup = files_.CopyToBackup(FileName, result.backupName, Loaded());
    if (result.backup != TBackupOutcome::Occupied) break;
  }
  if (result.backup != TBackupOutcome::Written && result.backup != TBackupOutcome::Kept) {
    result.backup = TBackupOutcome::Failed;
    result.outcome = TOutcome::BackupFailed;
  }
}

}  // namespace ExifData
