// Crash-safe replacement of a file's content: a temporary file beside the
// target, flushed to stable storage, renamed over it, then the folder flushed.
// A crash at any moment leaves the old file or the new one, never a mixture.
// One copy of this logic serves the save, the backup copy and the settings file.
//
// Every step after the path is resolved works relative to the open folder the
// links ended in (openat, fstatat, renameat): a link or folder swapped by
// another user after the load cannot redirect the write.
//
// What the replace keeps: owner and group (root may set both; a user keeps a
// group she belongs to), every mode bit including setuid and setgid, ACLs
// (they travel as the system.posix_acl_access attribute) and every extended
// attribute the caller may set. When the replacement cannot carry all of that
// (the file belongs to another user, has other hard links, or an attribute
// cannot be set), the new bytes go over the file in place instead, inode and
// all, but only after they are flushed in a temporary copy beside it.
//
// Paths not taken: writing in place always (a crash mid-write leaves a torn
// file); O_TMPFILE + linkat (cannot replace an existing name atomically);
// mkstemp (always 0600, while a new file must get 0666 less the umask like a
// plain create); RENAME_EXCHANGE to close the last gap before the rename (a
// rename replaces the name itself and never writes through a link swapped in
// that gap, and not every file system has it).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "engine/ExifData.h"
#include "engine/StripOutput.h"
#include "platform/posix/UniqueFd.h"

namespace platform::posix {

// A failed step on the way to the replaced file. Callers turn it into their
// own error texts: Create covers making, opening and renaming, Write covers
// writing and flushing the bytes, Changed a file that is no longer the one
// that was read (nothing was written).
class EReplaceFailure : public std::exception {
 public:
  enum class TStep { Create, Write, Changed };
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

// 0 when the caller may write the existing file `name` in `folder` (with
// status `st`), else the errno that refuses it. A file without any write bit
// is refused for root too: a read-only file binds every user.
int WriteRefusal(int folder, const std::string& name, const struct stat& st);

// A name in an open folder: where the symbolic links of a path ended.
struct TPlace {
  TUniqueFd folder;
  std::string name;
  // A link on the way belongs to a user other than the one running.
  bool foreignLink = false;
};

// Follows the symbolic links of the last component of `path`, each one
// relative to the folder it lives in, and opens the folder where the chain
// ends. The final name need not exist. Throws EReplaceFailure(Create).
TPlace ResolvePlace(const std::string& path);

// A file as the load saw it. The save writes this file or nothing.
struct TLoadedFile {
  TPlace place;
  TUniqueFd file;  // open for reading
  struct stat st {};
};

// The load kept for the run that made it (ExifData::TLoadHandle).
class TLoadedHandle : public ExifData::TLoadHandle {
 public:
  explicit TLoadedHandle(TLoadedFile loaded) : loaded_(std::move(loaded)) {}
  const TLoadedFile& Loaded() const { return loaded_; }

 private:
  TLoadedFile loaded_;
};

// The file a handle of this platform kept, or nullptr (no handle, or none of ours).
const TLoadedFile* LoadedFileOf(const ExifData::TLoadHandle* handle);

// Resolves `path` and opens the regular file it names. Throws
// EReplaceFailure(Create) with the errno that refuses it.
TLoadedFile OpenLoadedFile(const std::string& path);

// True when `st` still shows the file `loaded` saw: same device and inode,
// size, modification and change times.
bool SameFile(const struct stat& loaded, const struct stat& st);

// A new file in an open folder under an unpredictable name (O_EXCL), removed
// again when its scope ends unless Commit() has renamed it over its target or
// Keep() has kept it. While it may be removed, a SIGINT, SIGTERM or SIGHUP
// removes it before the process ends (see platform/Signals.h).
class TTempFile {
 public:
  // `folder` must stay open for the temporary file's life. Throws
  // EReplaceFailure(Create).
  TTempFile(int folder, mode_t mode);
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  ~TTempFile();

  int Fd() const { return fd_.Get(); }
  const std::string& Name() const { return name_; }
  // Writes every byte. Throws EReplaceFailure(Write).
  void Write(const void* data, size_t size);
  // Writes every byte of the pieces, in order, from offset `at` on. Throws
  // EReplaceFailure(Write).
  void WriteAt(const ExifData::TBytePieces& pieces, off_t at);
  // Cuts the file to `size` bytes. Throws EReplaceFailure(Write).
  void Truncate(off_t size);
  // Flushes the content to stable storage. Throws EReplaceFailure(Write).
  void Flush();
  // Flush, unless nothing was written since the content was last made durable.
  void FlushIfNeeded();
  // Starts writing the content to the disk without waiting for it, so that a
  // later Flush mostly finds it there (where the system has no such call,
  // nothing happens and Flush does it all).
  void StartWriteBack();
  // Flushes the file (unless nothing was written since the last Flush) and
  // renames it over `name` in the same folder (replacing that name itself,
  // even a symbolic link). The folder is not flushed: the new name is durable
  // only once FlushFolder has run. Throws EReplaceFailure.
  void Rename(const std::string& name);
  // Rename, then the folder flushed. Throws EReplaceFailure.
  void Commit(const std::string& name);
  // The content is durable by other means (its whole file system was
  // flushed): Rename does not flush it again.
  void Flushed() { flushed_ = true; }
  // Flushes the file and gives it `name` in the same folder only while nothing
  // bears that name (a hard link, then the temporary name removed; a rename
  // that replaces nothing where links are not had), then flushes the folder.
  // Throws EReplaceFailure(Create, EEXIST) when something does.
  void CommitNew(const std::string& name);
  // From now on the file outlives its scope and any signal.
  void Keep();
  // Removes a kept file.
  void Remove();

 private:
  int folder_;
  std::string name_;
  TUniqueFd fd_;
  int slot_ = -1;  // the signal handlers' record of this file
  bool removable_ = true;
  bool flushed_ = false;  // every byte written is on stable storage
};

// Gives the temporary file the owner, group, mode bits and extended
// attributes (ACLs included) of the file `from` with status `st`. True when
// everything was kept; false when something could not be set.
bool KeepAttributes(int from, const struct stat& st, TTempFile& temp);

// Flushes an open folder, so that the names renamed in it are durable. A
// folder that cannot be flushed is no failure of a save: its content is in
// place already.
void FlushFolder(int folder);

// A replace begun: the new bytes in a copy beside the file, with their
// write-back started; the file itself is untouched until FinishReplace.
// Dropped unfinished, the copy goes and the file stays as it was. The loaded
// file must outlive it.
struct TPendingReplace {
  const TLoadedFile* loaded = nullptr;
  std::unique_ptr<TTempFile> copy;
  uint64_t size = 0;  // bytes in the copy
};

// The first half of ReplaceLoadedFile: the checks before writing, the copy
// with the file's attributes, and its write-back started. Returns null when
// the file could only be written in place, which is then done whole (a write
// in place cannot wait: its copy must be flushed before the file is touched).
// Throws as ReplaceLoadedFile does.
std::unique_ptr<TPendingReplace> BeginReplace(const TLoadedFile& loaded,
                                              ExifData::TPulledOutput& output,
                                              const std::function<void()>& beforeFinalCheck = {});
// The second half: waits for the copy's bytes (unless TTempFile::Flushed),
// checks that the name still refers to the file that was loaded, and renames
// the copy over it. The folder is left to FlushFolder, or to a flush of the
// whole file system, so that many files share one flush. Throws
// EReplaceFailure.
void FinishReplace(TPendingReplace& pending, const std::function<void()>& beforeFinalCheck = {});

// Flushes the whole file system that holds the open file or folder `fd`: the
// data and names of every file on it are durable after. 0, or the errno of a
// write that failed there.
int FlushFileSystem(int fd);

// Replaces the content of the file `loaded` read with the output's bytes,
// written as they are pulled, keeping everything KeepAttributes keeps, by a
// rename or, where that cannot keep it, by a write in place after a flushed
// copy. Throws EReplaceFailure: Changed when the name no longer refers to the
// same file with the same size and times, or the file is gone (nothing is
// created), or a mapped input shrank while it was read; Create when the file
// may not be written (a file without write bits binds root too).
// `beforeFinalCheck` runs once the new bytes are flushed beside the file,
// right before that check: the last moment another program can change it.
void ReplaceLoadedFile(const TLoadedFile& loaded, ExifData::TPulledOutput& output,
                       const std::function<void()>& beforeFinalCheck = {});

// What the save of `loaded` would refuse before writing anything (a file the
// user may not write, a read-only file, the name gone): the errno, or 0.
int LoadedWriteRefusal(const TLoadedFile& loaded);

// Replaces the content of `path` (the settings file). A symbolic link at
// `path` is followed to its final target, which is replaced (the link stays).
// An existing target keeps its attributes as far as the caller may set them;
// a new one gets 0666 less the umask, as a plain create would. A target the
// caller may not write is refused before anything is touched. Throws
// EReplaceFailure; no temporary file survives a failure.
void ReplaceFileContents(const std::string& path, const void* data, size_t size);
// The same for a path already resolved.
void ReplaceFileContents(const TPlace& place, const void* data, size_t size);

}  // namespace platform::posix
