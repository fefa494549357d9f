// UTF-8 inside the program, UTF-16 at the Windows API: the conversions and the
// system's error text.
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
// FormatMessageW's text for `error`, in UTF-8, trimmed as messages want it.
std::string SystemReason(DWORD error);

// A handle closed when its scope ends.
class TUniqueHandle {
 public:
  explicit TUniqueHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;
  ~TUniqueHandle() {
    if (Valid()) CloseHandle(h_);
  }
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

 private:
  HANDLE h_;
};

}  // namespace platform::win32
