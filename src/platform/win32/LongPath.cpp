#include "platform/win32/LongPath.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Utf.h"

namespace platform::win32 {
namespace {

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wstring(prefix).size(), prefix) == 0;
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
  // The size asked for first may grow if the current directory changes
  // meanwhile: asked again until the answer fits.
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  for (int attempt = 0; size != 0 && attempt < 4; ++attempt) {
    std::vector<wchar_t> buffer(size);
    const DWORD n = GetFullPathNameW(path.c_str(), size, buffer.data(), nullptr);
    if (n == 0) break;
    if (n < size) return std::wstring(buffer.data(), n);
    size = n + 1;
  }
  return path;
}

std::wstring ApiPath(const std::wstring& path) {
  if (path.empty() || startsWith(path, L"\\\\?\\") || startsWith(path, L"\\\\.\\")) return path;
  const std::wstring full = FullPath(path);
  if (startsWith(full, L"\\\\?\\") || startsWith(full, L"\\\\.\\")) return full;
  if (startsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  // A drive and its root: anything else was not made absolute.
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  return full;
}

std::wstring ApiPath(const std::string& utf8) { return ApiPath(Widen(utf8)); }

}  // namespace platform::win32
