// Crash-safe replacement of a file's content: a temporary file beside the
// target, flushed to stable storage, renamed over it, then the folder flushed.
// A crash at any moment leaves the old file or the new one, never a mixture.
// One copy of this logic serves the save, the backup copy and the settings file.
//
// Paths not taken: writing in place (a crash mid-write leaves a torn file);
// O_TMPFILE + linkat (cannot replace an existing name atomically); mkstemp
// (always 0600, while a new file must get 0666 less the umask like a plain
// create).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <exception>
#include <string>

#include "platform/posix/UniqueFd.h"

namespace platform::posix {

// A failed step on the way to the replaced file. Callers turn it into their
// own error texts: Create covers making, opening and renaming, Write covers
// writing and flushing the bytes.
class EReplaceFailure : public std::exception {
 public:
  enum class TStep { Create, Write };
  EReplaceFailure(TStep step, int error) : step_(step), error_(error) {}
  const char* what() const noexcept override { return "file replacement failed"; }
  TStep Step() const { return step_; }
  int Error() const { return error_; }

 private:
  TStep step_;
  int error_;
};

// The folder part of `path` ("." for a bare name, "/" for a file in the root).
std::string FolderOf(const std::string& path);

// 0 when the caller may write the existing file `path` (with status `st`), else
// the errno that refuses it. A file without any write bit is refused for root
// too: a read-only file binds every user.
int WriteRefusal(const std::string& path, const struct stat& st);

// A new file in a folder under an unpredictable name (O_EXCL), removed again
// when its scope ends unless Commit() has renamed it over its target.
class TTempFile {
 public:
  // Throws EReplaceFailure(Create).
  TTempFile(const std::string& folder, mode_t mode);
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  ~TTempFile();

  int Fd() const { return fd_.Get(); }
  // Writes every byte. Throws EReplaceFailure(Write).
  void Write(const void* data, size_t size);
  // Flushes the file, renames it over `target` (replacing that name itself,
  // even a symbolic link) and flushes the folder. Throws EReplaceFailure.
  void Commit(const std::string& target);

 private:
  std::string folder_;
  std::string path_;
  TUniqueFd fd_;
  bool committed_ = false;
};

// Replaces the content of `path` with `size` bytes. A symbolic link at `path`
// is followed to its final target, which is replaced (the link stays). An
// existing target keeps its permission bits (and, for root, its owner and
// group); a new one gets 0666 less the umask, as a plain create would. A
// target the caller may not write is refused before anything is touched.
// Throws EReplaceFailure; no temporary file survives a failure.
void ReplaceFileContents(const std::string& path, const void* data, size_t size);

}  // namespace platform::posix
