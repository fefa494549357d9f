// Paths as the wide file functions take them at any length. Without the
// "\\?\" form those functions stop at MAX_PATH (260) characters, and some
// (GetTempFileNameW, CreateDirectoryW) well before it.
#pragma once

#include <string>

namespace platform::win32 {

// `path` made absolute against the current directory and put in the "\\?\"
// form ("\\?\UNC\" for a share), which the file functions take whatever its
// length. Paths already in that form, device names ("\\.\") and paths that
// cannot be made absolute are handed back as they are.
std::wstring ApiPath(const std::wstring& path);
std::wstring ApiPath(const std::string& utf8);

// `path` made absolute against the current directory, not resolved further;
// `path` itself when that fails.
std::wstring FullPath(const std::wstring& path);

}  // namespace platform::win32
