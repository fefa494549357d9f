// The settings file: read whole at opening, edited in memory by the portable
// INI text code, written back by one crash-safe replace. Only reading and
// replacing the bytes differ by platform.
#include "platform/IniFile.h"

#include <optional>

#include "engine/ExifData.h"
#include "platform/Files.h"
#include "platform/IniStorage.h"
#include "platform/IniText.h"
#include "platform/PlatformTexts.h"

namespace platform {
namespace {

// The platform hands out at most this many bytes of a value (its buffer of
// 2048 units less the terminator).
constexpr size_t kMaxValueBytes = 2047;

// Cuts `value` to the limit without splitting a UTF-8 sequence.
std::string limited(std::string value) {
  ExifData::CutAtCharacter(value, kMaxValueBytes);
  return value;
}

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
  const ini::TReadOutcome outcome = ini::ReadWhole(path_, text_);
  unreadable_ = outcome == ini::TReadOutcome::Unreadable;
  if (outcome == ini::TReadOutcome::Read) onDisk_ = text_;
}

TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  std::optional<std::string> value = FindIniValue(text_, section, key);
  return value ? limited(std::move(*value)) : fallback;
}

void TIniFile::EraseSection(const std::string& section) {
  if (EraseIniSection(text_, section)) dirty_ = true;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  SetIniValue(text_, section, key, value);
  dirty_ = true;
}

void TIniFile::Flush() {
  // Rewriting the same bytes would only cost a flush and a rename.
  if (onDisk_ && *onDisk_ == text_) dirty_ = false;
  if (!dirty_) return;
  if (unreadable_ || !ini::ReplaceWhole(path_, text_)) {
    throw EIniWriteError(FormatText(kTextIniCannotWrite, {AbsolutePath(path_)}));
  }
  onDisk_ = text_;
  dirty_ = false;
}

}  // namespace platform
