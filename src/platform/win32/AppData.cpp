// The per-user application-data folder, and the folder test and creation the
// settings writer needs.
#include "platform/AppData.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>

#include "platform/win32/Utf.h"

namespace platform {

std::string AppDataFolder() {
  // Zeroed first: the result is not checked, a failed query gives the empty text.
  wchar_t buffer[MAX_PATH + 1] = {};
  SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE);
  return win32::Narrow(buffer);
}

std::string SubfolderPath(std::string_view base, std::string_view name) {
  std::string path(base);
  if (path.empty() || path.back() != '\\') path += '\\';
  return path.append(name) + '\\';
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  switch (GetLastError()) {
    // Absent, a bad name or path, or a device that is not ready.
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
      return false;
    // Cannot be looked at (access refused, ...): let the write be attempted.
    default:
      return true;
  }
}

bool CreateFolder(const std::string& path) {
  // Makes the missing folders above it too; ERROR_ALREADY_EXISTS is a failure,
  // as it is for CreateDirectoryW.
  std::wstring wide = win32::Widen(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return SHCreateDirectoryExW(nullptr, wide.c_str(), nullptr) == ERROR_SUCCESS;
}

}  // namespace platform
