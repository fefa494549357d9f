// Crash-safe replacement on Windows: a temporary file in the target's folder,
// flushed (FlushFileBuffers), then put in the target's place in one step:
// ReplaceFileW over an existing file (its ACL and attributes kept), a
// write-through move otherwise. Shared by the save, the backup copy and the
// settings file.
#pragma once

#include <windows.h>

#include <string>

#include "engine/StripOutput.h"

namespace platform::win32 {

// A failed step, with GetLastError's value. Create covers making, opening and
// moving; Write covers writing and flushing the bytes.
struct TReplaceFailure {
  enum class TStep { Create, Write };
  TStep step;
  DWORD error;
};

std::wstring FolderOf(const std::wstring& path);

// An empty file of a unique name in `folder` (GetTempFileNameW), deleted when
// its scope ends unless MoveOver() has moved it. Throws TReplaceFailure.
class TTempFile {
 public:
  explicit TTempFile(const std::wstring& folder);
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  ~TTempFile();

  const std::wstring& Path() const { return path_; }
  // Moves the file over `target` (the name itself, even a link), write-through.
  void MoveOver(const std::wstring& target);
  // Moves the file to `target` only while nothing bears that name,
  // write-through. Throws TReplaceFailure (ERROR_ALREADY_EXISTS when something does).
  void MoveNew(const std::wstring& target);
  // Replaces the existing file `target` with this one (ReplaceFileW), keeping
  // the target's ACL, attributes and creation time.
  void ReplaceOver(const std::wstring& target);

 private:
  std::wstring path_;
  bool moved_ = false;
};

// The file a link at `path` finally names; `path` itself when nothing exists
// there yet.
std::wstring FinalTarget(const std::wstring& path);

// Refuses, as the replace would, an existing `target` that is a folder or
// read-only, that the user may not write, or that another program holds open.
// Its identity (volume and file index) otherwise. Throws TReplaceFailure.
BY_HANDLE_FILE_INFORMATION CheckReplaceable(const std::wstring& target);

// Writes `size` bytes to the file `path` (which exists) and flushes them.
void WriteAndFlush(const std::wstring& path, const void* data, size_t size);
void WriteAndFlush(const std::wstring& path, const ExifData::TBytePieces& pieces);

// Replaces the content of `path` as SaveFileAtomically describes. Throws
// TReplaceFailure.
void ReplaceFileContents(const std::wstring& path, const void* data, size_t size);
void ReplaceFileContents(const std::wstring& path, const ExifData::TBytePieces& pieces);

}  // namespace platform::win32
