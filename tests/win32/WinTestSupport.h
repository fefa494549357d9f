// Helpers of the Windows tests: a folder of their own, files by wide name,
// and child processes started with CreateProcessW.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/Utf.h"

namespace velmora::test {

// UTF-8 <-> UTF-16, short for the tests.
inline std::wstring W(const std::string& utf8) { return platform::win32::Widen(utf8); }
inline std::string U(const std::wstring& utf16) { return platform::win32::Narrow(utf16); }

// A fresh folder under %TEMP%, removed with its content at the end.
class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  // `name` joined to the folder, in UTF-8.
  std::string operator/(const std::string& name) const;
  const std::wstring& Path() const { return path_; }
  // Names of the entries, sorted.
  std::string Entries() const;
  // The same for any folder (absolute, at any length).
  static std::string EntriesOf(const std::string& folder);

 private:
  std::wstring path_;
};

// An absolute path in the "\\?\" form, which the file functions take at any
// length: the tests' own files, independent of the code under test.
std::wstring Long(const std::string& path);

// Files and folders by absolute path, at any length.
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
void MakeFolders(const std::string& path);

// The folder of the running test program, with a trailing backslash.
std::wstring OwnFolder();

// Runs `commandLine` in `folder`, its output to a file; waits at most a minute.
struct TRun {
  DWORD status = 0xFFFFFFFF;
  std::string out;
};
TRun RunProcess(const std::wstring& commandLine, const std::wstring& folder);

// A JPEG with an Exif block ("secretGPS") before its scan.
std::string PhotoWithExif();

}  // namespace velmora::test
