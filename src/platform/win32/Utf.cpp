#include "platform/win32/Utf.h"

#include <algorithm>
#include <climits>

#include "platform/PlatformTexts.h"

namespace platform::win32 {

// The lengths the conversions return are counts of what they wrote, or 0 on
// failure; a text longer than an int can count is not converted.
std::wstring Widen(const std::string& utf8) {
  if (utf8.empty() || utf8.size() > static_cast<size_t>(INT_MAX)) return {};
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  const int written = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
  wide.resize(static_cast<size_t>(std::max(written, 0)));
  return wide;
}

std::string Narrow(const std::wstring& utf16) {
  if (utf16.empty() || utf16.size() > static_cast<size_t>(INT_MAX)) return {};
  const int size = static_cast<int>(utf16.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string narrow(static_cast<size_t>(n), '\0');
  const int written =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), n, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(std::max(written, 0)));
  return narrow;
}

std::string SystemReason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = n > 0 ? Narrow(std::wstring(text, n)) : std::string();
  if (text != nullptr) LocalFree(text);
  return TrimSystemReason(reason);
}

}  // namespace platform::win32
