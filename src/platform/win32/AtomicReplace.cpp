#include "platform/win32/AtomicReplace.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <iterator>
#include <random>
#include <vector>

#include "platform/win32/Utf.h"

namespace platform::win32 {
namespace {

using TStep = TReplaceFailure::TStep;

constexpr int kNameAttempts = 100;

[[noreturn]] void fail(TStep step) { throw TReplaceFailure{step, GetLastError()}; }

}  // namespace

std::wstring FinalTarget(const std::wstring& path) {
  TUniqueHandle h(CreateFileW(path.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Valid()) return path;
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(
        h.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    if (n == 0) return path;
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(n + 1);
  }
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/:");
  if (cut == std::wstring::npos) return L".";
  return path.substr(0, path[cut] == L':' ? cut + 1 : cut);
}

// Not GetTempFileNameW: it takes folders of at most MAX_PATH - 14
// characters and writes its result into a buffer of MAX_PATH characters
// (some implementations past its end, for a longer folder).
TTempFile::TTempFile(const std::wstring& folder) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const std::wstring stem =
      folder + (folder.empty() || folder.back() == L'\\' ? L"" : L"\\") + L"vlm";
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    wchar_t unique[16] = {};
    swprintf(unique, std::size(unique), L"%08x", random() ^ (counter++ << 16));
    const std::wstring path = stem + unique + L".tmp";
    const HANDLE made = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (made != INVALID_HANDLE_VALUE) {
      CloseHandle(made);
      path_ = path;
      return;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  fail(TStep::Create);
}

TTempFile::~TTempFile() {
  if (moved_ || path_.empty()) return;
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);  // a copied read-only bit
  DeleteFileW(path_.c_str());
}

void TTempFile::MoveOver(const std::wstring& target) {
  if (!MoveFileExW(path_.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    fail(TStep::Create);
  }
  moved_ = true;
}

void TTempFile::MoveNew(const std::wstring& target) {
  if (!MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) fail(TStep::Create);
  moved_ = true;
}

void TTempFile::ReplaceOver(const std::wstring& target) {
  if (!ReplaceFileW(target.c_str(), path_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                    nullptr, nullptr)) {
    fail(TStep::Create);
  }
  moved_ = true;
}

void WriteAndFlush(const std::wstring& path, const void* data, size_t size) {
  WriteAndFlush(path, {{static_cast<const uint8_t*>(data), size}});
}

void WriteAndFlush(const std::wstring& path, const ExifData::TBytePieces& pieces) {
  TUniqueHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) fail(TStep::Create);
  for (const std::span<const uint8_t> piece : pieces) {
    const auto* bytes = reinterpret_cast<const char*>(piece.data());
    size_t size = piece.size();
    while (size > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(h.Get(), bytes, chunk, &written, nullptr)) fail(TStep::Write);
      if (written == 0) throw TReplaceFailure{TStep::Write, ERROR_DISK_FULL};
      bytes += written;
      size -= written;
    }
  }
  if (!FlushFileBuffers(h.Get())) fail(TStep::Write);
}

BY_HANDLE_FILE_INFORMATION CheckReplaceable(const std::wstring& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) fail(TStep::Create);
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
    throw TReplaceFailure{TStep::Create, ERROR_ACCESS_DENIED};
  }
  // Refused as an in-place write would be: no access, or held open elsewhere
  // (any other handle, even one that shares reading and writing, refuses the
  // exclusive open, as it would refuse the replace).
  TUniqueHandle probe(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe.Valid()) fail(TStep::Create);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(probe.Get(), &info)) fail(TStep::Create);
  return info;
}

void ReplaceFileContents(const std::wstring& path, const void* data, size_t size) {
  ReplaceFileContents(path, {{static_cast<const uint8_t*>(data), size}});
}

void ReplaceFileContents(const std::wstring& path, const ExifData::TBytePieces& pieces) {
  const std::wstring target = FinalTarget(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  BY_HANDLE_FILE_INFORMATION before{};
  if (exists) before = CheckReplaceable(target);
  TTempFile temp(FolderOf(target));
  WriteAndFlush(temp.Path(), pieces);
  if (exists) {
    // ReplaceFileW carries them over itself; set first as well for systems
    // whose ReplaceFileW only moves the file.
    const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    SetFileAttributesW(temp.Path().c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
  }
  if (!exists) {
    // Nothing to keep; a file that appeared meanwhile is not overwritten.
    temp.MoveNew(target);
    return;
  }
  // The file must still be the one checked above, not one put in its place
  // while the new content was written.
  {
    TUniqueHandle now(CreateFileW(target.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION after{};
    if (!now.Valid() || !GetFileInformationByHandle(now.Get(), &after)) fail(TStep::Create);
    if (after.dwVolumeSerialNumber != before.dwVolumeSerialNumber ||
        after.nFileIndexHigh != before.nFileIndexHigh ||
        after.nFileIndexLow != before.nFileIndexLow) {
      throw TReplaceFailure{TStep::Create, ERROR_FILE_INVALID};
    }
  }
  // One step that keeps the replaced file's ACL, attributes, creation time
  // and streams.
  temp.ReplaceOver(target);
}

}  // namespace platform::win32
