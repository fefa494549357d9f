// The segments of our own making: the fixed JFIF APP0 and the comment.
#include "EngineTexts.h"
#include "ExifData.h"
#include "PathRules.h"
#include "StreamFields.h"

namespace ExifData {

namespace {

// The comment is assembled in a buffer of this many bytes, zero byte included.
constexpr size_t kCommentBuffer = 256;

}  // namespace

void CutAtCharacter(std::string& text, size_t limit) {
  if (text.size() <= limit) return;
  size_t cut = limit;
  // A character has at most three continuation bytes; more is not UTF-8.
  for (int back = 0; back < 3 && cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80;
       ++back) {
    --cut;
  }
  text.resize(cut);
}

std::string CommentText(std::string_view exePath) {
  std::string name = ReplaceExtension(FileNameOf(exePath), "");
  const size_t fixed = texts::kModifiedBy.size() + 1 + Version.size() + 1;
  CutAtCharacter(name, kCommentBuffer - fixed);
  std::string text(texts::kModifiedBy);
  text += name;
  text += ' ';
  text += Version;
  text += '\0';
  return text;
}

void TStripRun::WriteJFIF() {
  static constexpr uint8_t kJFIF[18] = {
      0xFF, 0xE0,              // APP0
      0x00, 0x10,              // length 16
      'J',  'F',  'I',  'F',   // identifier
      0x00,                    // its terminator
      0x01, 0x02,              // version 1.02
      0x01,                    // density in dots per inch
      0x00, 0x48, 0x00, 0x48,  // 72 x 72
      0x00, 0x00,              // no thumbnail
  };
  StripJpeg.Write(kJFIF, sizeof kJFIF);
}

void TStripRun::WriteCOM() {
  // The same text for every file a program strips: made once a thread.
  thread_local std::string madeFor;
  thread_local std::string made;
  if (made.empty() || madeFor != exePath_) {
    made = CommentText(exePath_);
    madeFor = exePath_;
  }
  const std::string text = files_.CommentBytes(made);
  static constexpr uint8_t kCOM[2] = {0xFF, 0xFE};
  StripJpeg.Write(kCOM, 2);
  WriteField(StripJpeg, static_cast<uint16_t>(text.size() + 2));
  StripJpeg.Write(text.data(), text.size());
}

}  // namespace ExifData
