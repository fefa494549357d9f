#include "WinTestSupport.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace velmora::test {

namespace {

void removeTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        removeTree(child);
      } else if (!DeleteFileW(child.c_str())) {
        RemoveDirectoryW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

TTempFolder::TTempFolder() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  // Wine hands an ended process's id to the next one soon, and a folder left
  // behind must not be taken for a fresh one: the name is made until it is new.
  for (int attempt = 0; attempt < 100; ++attempt) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    path_ = std::wstring(temp) + L"velmora-win-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(now.QuadPart) + L"-" + std::to_wstring(counter++);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
  }
}

TTempFolder::~TTempFolder() { removeTree(L"\\\\?\\" + path_); }

std::string TTempFolder::operator/(const std::string& name) const { return U(path_) + "\\" + name; }

std::string TTempFolder::Entries() const { return EntriesOf(U(path_)); }

std::string TTempFolder::EntriesOf(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Long(folder) + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(U(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  std::sort(names.begin(), names.end());
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : " ") + name;
  return list;
}

std::wstring Long(const std::string& path) {
  std::wstring wide = W(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return wide.rfind(L"\\\\?\\", 0) == 0 ? wide : L"\\\\?\\" + wide;
}

void MakeFolders(const std::string& path) {
  const std::wstring full = Long(path);
  // Each folder after the "\\?\C:\" that starts the path.
  for (size_t at = full.find(L'\\', 7); at != std::wstring::npos; at = full.find(L'\\', at + 1))
    CreateDirectoryW(full.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(full.c_str(), nullptr);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string ReadBytes(const std::string& path) {
  HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<absent>";
  std::string bytes;
  char chunk[4096];
  DWORD n = 0;
  while (ReadFile(h, chunk, sizeof chunk, &n, nullptr) && n > 0) bytes.append(chunk, n);
  CloseHandle(h);
  return bytes;
}

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

TRun RunProcess(const std::wstring& commandLine, const std::wstring& folder) {
  TRun run;
  const std::wstring outPath = folder + L"\\.out";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = out;
  start.hStdError = out;
  start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::wstring line = commandLine;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     folder.c_str(), &start, &process)) {
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 0xFFFFFFFF);
      WaitForSingleObject(process.hProcess, INFINITE);
    }
    GetExitCodeProcess(process.hProcess, &run.status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  // Wine signals a process's end a moment before it closes the process's
  // handles (its output file, a lock): wait until the output is free.
  for (int i = 0; i < 250; ++i) {
    HANDLE alone = CreateFileW(outPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (alone != INVALID_HANDLE_VALUE) {
      CloseHandle(alone);
      break;
    }
    Sleep(20);
  }
  run.out = ReadBytes(U(outPath));
  DeleteFileW(outPath.c_str());
  return run;
}

std::string PhotoWithExif() {
  std::string b = "\xFF\xD8";
  b += std::string(
      "\xFF\xE1\x00\x11"
      "Exif\0\0secretGPS",
      19);
  b += std::string("\xFF\xDB\x00\x04\x00\x01", 6);
  b += std::string("\xFF\xC0\x00\x05\x08\x00\x01", 7);
  b += std::string("\xFF\xDA\x00\x03\x01", 5);
  for (int i = 0; i < 200; ++i) b += static_cast<char>(i % 200);
  b += "\xFF\xD9";
  return b;
}

}  // namespace velmora::test
