// File services on Windows: whole-file load, backup copy, crash-safe save,
// the executable's path and absolute paths.
#include "platform/Files.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "engine/EngineTexts.h"
#include "platform/PlatformTexts.h"
#include "platform/win32/AtomicReplace.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/Utf.h"

namespace platform {
namespace {

using ExifData::TLoadResult;
using win32::ApiPath;
using win32::SystemReason;
using win32::TUniqueHandle;

TLoadResult failed(std::string message) { return {TLoadResult::TKind::Failed, std::move(message)}; }

TLoadResult cannotOpen(const std::string& path, DWORD error) {
  return failed(FormatText(kTextCannotOpen, {AbsolutePath(path), SystemReason(error)}));
}

// Whether the regular file `other` holds exactly the bytes of `source`.
// Anything that cannot be read counts as different.
bool sameContent(const std::wstring& source, const std::wstring& other) {
  const DWORD share = FILE_SHARE_READ;
  TUniqueHandle a(CreateFileW(source.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  TUniqueHandle b(CreateFileW(other.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  LARGE_INTEGER sizeA{};
  LARGE_INTEGER sizeB{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!a.Valid() || !b.Valid() || !GetFileInformationByHandle(b.Get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
      !GetFileSizeEx(a.Get(), &sizeA) || !GetFileSizeEx(b.Get(), &sizeB) ||
      sizeA.QuadPart != sizeB.QuadPart) {
    return false;
  }
  constexpr DWORD kChunk = 1u << 16;
  std::vector<char> mine(kChunk);
  std::vector<char> theirs(kChunk);
  for (LONGLONG left = sizeA.QuadPart; left > 0;) {
    DWORD n = 0;
    DWORD m = 0;
    if (!ReadFile(a.Get(), mine.data(), kChunk, &n, nullptr) || n == 0) return false;
    for (DWORD got = 0; got < n; got += m) {
      if (!ReadFile(b.Get(), theirs.data() + got, n - got, &m, nullptr) || m == 0) return false;
    }
    if (!std::equal(mine.begin(), mine.begin() + n, theirs.begin())) return false;
    left -= n;
  }
  return true;
}

// What a name that is already taken holds: the same bytes (kept) or anything
// else (occupied, never touched).
ExifData::TBackupOutcome takenName(const std::wstring& source, const std::wstring& backup) {
  return sameContent(source, backup) ? ExifData::TBackupOutcome::Kept
                                     : ExifData::TBackupOutcome::Occupied;
}

uint64_t high(DWORD high, DWORD low) { return (uint64_t{high} << 32) | low; }

// Which file the name `path` itself (not what a link there leads to) is.
bool identify(const std::string& name, const std::wstring& path,
              TPlatformFiles::TWrittenBackup& identity) {
  const TUniqueHandle h(CreateFileW(path.c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h.Valid() || !GetFileInformationByHandle(h.Get(), &info)) return false;
  identity = {name, info.dwVolumeSerialNumber, high(info.nFileIndexHigh, info.nFileIndexLow),
              static_cast<int64_t>(high(info.nFileSizeHigh, info.nFileSizeLow)),
              static_cast<int64_t>(
                  high(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime))};
  return true;
}

}  // namespace

TLoadResult TPlatformFiles::LoadFile(const std::string& path, ExifData::TMemoryStream& into) {
  into.Clear();
  if (path.find('\0') != std::string::npos) return cannotOpen(path, ERROR_INVALID_NAME);
  // Others may read the file while it is loaded, but not write it.
  TUniqueHandle file(CreateFileW(ApiPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return cannotOpen(path, GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return failed(SystemReason(GetLastError()));
  if (size.QuadPart >= ExifData::kMaxInputSize) return {TLoadResult::TKind::TooLarge, {}};

  std::vector<uint8_t>& bytes = into.Bytes();
  try {
    bytes.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    into.Clear();
    return failed(SystemReason(ERROR_NOT_ENOUGH_MEMORY));
  }
  size_t got = 0;
  while (got < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - got, 1u << 26));
    DWORD n = 0;
    if (!ReadFile(file.Get(), bytes.data() + got, chunk, &n, nullptr)) {
      const DWORD error = GetLastError();
      into.Clear();
      return failed(SystemReason(error));
    }
    if (n == 0) break;
    got += n;
  }
  if (got < bytes.size()) {
    into.Clear();
    return failed(std::string(Tr(ExifData::texts::kStreamReadError)));
  }
  return {};
}

// CopyFileW to a temporary name beside the backup, then a write-through move
// to the backup name that fails when something bears it: an older backup, a
// link or another file of that name is never replaced or written through, and
// a failed copy leaves nothing behind. CopyFileW keeps the time stamps and
// attributes.
// The loaded file is not kept open here (the load shares it for reading
// only while it reads), so the copy is of the name as it stands.
ExifData::TBackupOutcome TPlatformFiles::CopyToBackup(const std::string& existing,
                                                      const std::string& backup,
                                                      const ExifData::TLoadHandle*) {
  using ExifData::TBackupOutcome;
  try {
    const std::wstring source = ApiPath(existing);
    const std::wstring target = ApiPath(backup);
    // The folder's own entry, not what a link there leads to: a link whose
    // target is missing still bears the name.
    WIN32_FIND_DATAW entry{};
    const HANDLE found = FindFirstFileW(target.c_str(), &entry);
    if (found != INVALID_HANDLE_VALUE) {
      FindClose(found);
      return takenName(source, target);
    }
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return TBackupOutcome::Failed;
    win32::TTempFile temp(win32::FolderOf(target));
    if (!CopyFileW(source.c_str(), temp.Path().c_str(), FALSE)) return TBackupOutcome::Failed;
    {
      // Closed before the move: its exclusive sharing would make the move fail
      // with a sharing violation. A read-only copy cannot be opened to flush.
      TUniqueHandle flush(CreateFileW(temp.Path().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
      if (flush.Valid()) FlushFileBuffers(flush.Get());
    }
    try {
      temp.MoveNew(target);
    } catch (const win32::TReplaceFailure& failure) {
      // Another file took the name meanwhile.
      if (failure.error != ERROR_ALREADY_EXISTS && failure.error != ERROR_FILE_EXISTS) throw;
      return takenName(source, target);
    }
    if (TWrittenBackup made; identify(backup, target, made)) rememberBackup(std::move(made));
    return TBackupOutcome::Written;
  } catch (const win32::TReplaceFailure&) {
    return TBackupOutcome::Failed;
  }
}

bool TPlatformFiles::MayReplace(const std::string& path, const ExifData::TLoadHandle*) {
  const std::wstring target = win32::FinalTarget(ApiPath(path));
  // A name that is gone by now is the save's to report.
  if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  try {
    win32::CheckReplaceable(target);
    return true;
  } catch (const win32::TReplaceFailure&) {
    return false;
  }
}

bool TPlatformFiles::RemoveBackup(const std::string& backup) {
  const TWrittenBackup made = takeBackup(backup);
  if (made.name.empty()) return false;
  const std::wstring target = ApiPath(backup);
  // Another file under that name by now is not ours to remove.
  TWrittenBackup now;
  if (!identify(backup, target, now) || !(now == made)) return false;
  // The copy keeps the original's attributes; read-only would refuse the delete.
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(target.c_str()) != 0;
}

void SaveFileAtomically(const std::string& path, const void* data, size_t size) {
  SaveFileAtomically(path, {{static_cast<const uint8_t*>(data), size}});
}

// The whole output is found first, then written: a save here writes from one
// buffer, so a scan written while it is searched would gain nothing.
void SaveFileAtomically(const std::string& path, const ExifData::TLoadHandle*,
                        ExifData::TPulledOutput& output) {
  SaveFileAtomically(path, output.Pieces());
}

// Windows has no call that starts a file's write-back without waiting for
// it, so each save is whole at once, in the order it always had.
std::unique_ptr<TPendingSave> BeginSave(const std::string& path,
                                        const ExifData::TLoadHandle* loaded,
                                        ExifData::TPulledOutput& output) {
  SaveFileAtomically(path, loaded, output);
  return nullptr;
}

std::vector<std::exception_ptr> FinishSaves(const std::vector<TPendingSave*>& saves) {
  return std::vector<std::exception_ptr>(saves.size());
}

// No save waits here, so none limits how many may.
size_t MaxWaitingSaves() { return std::numeric_limits<size_t>::max(); }

void SaveFileAtomically(const std::string& path, const ExifData::TBytePieces& pieces) {
  try {
    win32::ReplaceFileContents(ApiPath(path), pieces);
  } catch (const win32::TReplaceFailure& failure) {
    const bool writing = failure.step == win32::TReplaceFailure::TStep::Write;
    throw EFileError(FormatText(writing ? kTextCannotWrite : kTextCannotCreate,
                                {AbsolutePath(path), SystemReason(failure.error)}));
  }
}

std::string TPlatformFiles::CommentBytes(const std::string& text) const {
  const std::wstring wide = win32::Widen(text);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, bytes.data(), n, nullptr, nullptr);
  return bytes;
}

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return win32::Narrow(std::wstring(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  return win32::Narrow(win32::FullPath(win32::Widen(path)));
}

}  // namespace platform
