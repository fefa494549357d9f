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
    : files_(files), exePath_(std::move(exePath)) {}

TAnalyzeResult TStripRun::AnalyzeExif(const std::string& FileName) {
  TAnalyzeResult result;
  skippedPastEnd_ = false;
  StripJpeg.Clear();
  const std::string name = FileNameOf(FileName);
  TraceLog.push_back(std::string(texts::kHeaderOpen) + name + std::string(texts::kHeaderClose));

  TMemoryStream Src;  // released on every path, the walk's errors included
  const TLoadResult load = files_.LoadFile(FileName, Src);
  if (load.kind == TLoadResult::TKind::Failed) {
    TraceLog.push_back(load.message.empty() ? std::string(texts::kFileOpenError) + name
                                            : load.message);
    return result;
  }
  // Offsets in the walk are 32-bit: a loader that did not refuse a large file
  // is refused here.
  if (load.kind == TLoadResult::TKind::TooLarge || Src.Size() >= kMaxInputSize) {
    TraceLog.push_back(std::string(texts::kFileTooLarge));
    return result;
  }

  Src.SetPosition(0);
  uint16_t Marker = 0;
  ReadField(Src, Marker);
  if (Marker != 0xFFD8) {
    TraceLog.push_back(NotJpegLine(Marker));
    return result;
  }
  if (FLAG & flSaveOriginal) {
    result.backupAttempted = true;
    result.backupSucceeded = files_.CopyToBackup(FileName, BackupNameOf(FileName));
  }
  TraceLog.push_back(TraceLine(static_cast<uint32_t>(Src.Position() - 2), Marker, texts::kSOI));
  ReadJpeg(Src);
  result.skippedPastEnd = skippedPastEnd_;
  return result;
}

}  // namespace ExifData
