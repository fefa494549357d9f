// The per-user application-data folder, and the folder test and creation the
// settings writer needs.
#include "platform/AppData.h"

#include <shlobj.h>
#include <windows.h>

#include "platform/win32/LongPath.h"
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
  const DWORD attributes = GetFileAttributesW(win32::ApiPath(path).c_str());
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

namespace {

bool isFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Makes `folder` (absolute, in the long form, no trailing backslash) after the
// missing folders above it. False when it was there already.
bool makeFolders(const std::wstring& folder) {
  if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
  if (GetLastError() != ERROR_PATH_NOT_FOUND) return false;
  const size_t cut = folder.find_last_of(L'\\');
  if (cut == std::wstring::npos) return false;
  const std::wstring parent = folder.substr(0, cut);
  if (!isFolder(parent) && !makeFolders(parent)) return false;
  return CreateDirectoryW(folder.c_str(), nullptr) != 0;
}

}  // namespace

bool CreateFolder(const std::string& path) {
  // Makes the missing folders above it too; ERROR_ALREADY_EXISTS is a failure,
  // as it is for CreateDirectoryW. Not SHCreateDirectoryExW: it takes no
  // path of MAX_PATH characters or more.
  std::wstring folder = win32::ApiPath(path);
  while (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
  return !folder.empty() && makeFolders(folder);
}

}  // namespace platform
