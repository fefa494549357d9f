// File services: whole-file load, the backup copy, the crash-safe save, the
// executable's path and absolute paths. One implementation per platform.
#pragma once

#include <stdexcept>
#include <string>

#include "engine/ExifData.h"

namespace platform {

// A failed save. Its text names the full path and the system's reason.
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The engine's file access on this platform.
class TPlatformFiles : public ExifData::TFileAccess {
 public:
  ExifData::TLoadResult LoadFile(const std::string& path, ExifData::TMemoryStream& into) override;
  bool CopyFile(const std::string& existing, const std::string& backup) override;
};

// Replaces the content of `path` with `size` bytes so that a failure at any
// moment leaves the file wholly old or wholly new: a temporary file beside it,
// flushed to stable storage, renamed over it. A symbolic link at `path` is
// followed (the target is updated, the link kept); the file's permission bits
// are kept. A file the user may not write is refused just as an in-place write
// would be. Throws EFileError; no temporary file survives a failure.
void SaveFileAtomically(const std::string& path, const void* data, size_t size);

// Full path of the running executable (UTF-8).
std::string ExecutablePath();
// `path` made absolute against the current directory (not resolved further).
std::string AbsolutePath(const std::string& path);

}  // namespace platform
