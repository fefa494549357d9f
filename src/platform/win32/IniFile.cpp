// The settings file through the platform's private-profile functions. They
// write through at once, so changes go to a working copy beside the file, and
// Flush moves that copy over the file in one write-through replace: a failed
// write never leaves a half-written settings file.
#include "platform/IniFile.h"

#include <windows.h>

#include "platform/Files.h"
#include "platform/PlatformTexts.h"
#include "platform/win32/AtomicReplace.h"
#include "platform/win32/Utf.h"

namespace platform {
namespace {

using win32::Widen;

// The profile functions hand out at most 2047 units of a value.
constexpr DWORD kValueBuffer = 2048;

[[noreturn]] void refuse(const std::string& path) {
  throw EIniWriteError(FormatText(kTextIniCannotWrite, {AbsolutePath(path)}));
}

// The working copy of `path`, made at the first change: the file's bytes, or
// an empty file when there is none yet.
std::string makeWorkCopy(const std::string& path) {
  const std::wstring file = Widen(path);
  wchar_t name[MAX_PATH + 1] = {};
  if (GetTempFileNameW(win32::FolderOf(file).c_str(), L"vlm", 0, name) == 0) refuse(path);
  if (!CopyFileW(file.c_str(), name, FALSE) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    DeleteFileW(name);
    refuse(path);
  }
  return win32::Narrow(name);
}

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {}

TIniFile::~TIniFile() {
  if (workPath_.empty()) return;
  const std::wstring work = Widen(workPath_);
  SetFileAttributesW(work.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(work.c_str());
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  wchar_t buffer[kValueBuffer] = {};
  const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                           Widen(fallback).c_str(), buffer, kValueBuffer,
                                           Widen(workPath_.empty() ? path_ : workPath_).c_str());
  return win32::Narrow(std::wstring(buffer, n));
}

void TIniFile::EraseSection(const std::string& section) {
  if (workPath_.empty()) workPath_ = makeWorkCopy(path_);
  if (!WritePrivateProfileStringW(Widen(section).c_str(), nullptr, nullptr,
                                  Widen(workPath_).c_str())) {
    refuse(path_);
  }
  dirty_ = true;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  if (workPath_.empty()) workPath_ = makeWorkCopy(path_);
  if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                  Widen(workPath_).c_str())) {
    refuse(path_);
  }
  dirty_ = true;
}

void TIniFile::Flush() {
  if (!dirty_) return;
  const std::wstring work = Widen(workPath_);
  const std::wstring file = Widen(path_);
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, work.c_str());
  // A read-only settings file refuses the write, as it would in place.
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    refuse(path_);
  {
    win32::TUniqueHandle h(CreateFileW(work.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid() || !FlushFileBuffers(h.Get())) refuse(path_);
  }
  if (!MoveFileExW(work.c_str(), file.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    refuse(path_);
  }
  workPath_.clear();
  dirty_ = false;
}

}  // namespace platform
