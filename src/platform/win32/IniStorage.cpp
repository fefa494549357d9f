// Reading and replacing the settings file's bytes on Windows. The profile
// functions are not used: they rewrite the whole file, store text outside the
// ANSI code page as "?" and change blank lines, so the file would differ from
// the one the same settings give elsewhere.
#include "platform/IniStorage.h"

#include <windows.h>

#include "platform/win32/AtomicReplace.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/Utf.h"

namespace platform::ini {

TReadOutcome ReadWhole(const std::string& path, std::string& into) {
  if (path.find('\0') != std::string::npos) return TReadOutcome::Absent;
  win32::TUniqueHandle file(CreateFileW(win32::ApiPath(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? TReadOutcome::Absent
               : TReadOutcome::Unreadable;
  }
  char chunk[8192];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.Get(), chunk, sizeof chunk, &n, nullptr)) {
      into.clear();
      return TReadOutcome::Unreadable;
    }
    if (n == 0) return TReadOutcome::Read;
    into.append(chunk, n);
  }
}

bool ReplaceWhole(const std::string& path, const std::string& text) {
  try {
    win32::ReplaceFileContents(win32::ApiPath(path), text.data(), text.size());
    return true;
  } catch (const win32::TReplaceFailure&) {
    return false;
  }
}

}  // namespace platform::ini
