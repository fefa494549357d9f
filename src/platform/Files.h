// File services: whole-file load, the backup copy, the crash-safe save, the
// executable's path and absolute paths. One implementation per platform.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/ExifData.h"

namespace platform {

// A failed save. Its text names the full path and the system's reason.
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A save refused because the file is no longer the one that was loaded: the
// name now refers to another file or to none, or the file's size or times
// changed since (another program is still writing it). Nothing was written.
// Its text is the full path.
class EFileChanged : public EFileError {
 public:
  using EFileError::EFileError;
};

// The engine's file access on this platform.
class TPlatformFiles : public ExifData::TFileAccess {
 public:
  ExifData::TLoadResult LoadFile(const std::string& path, ExifData::TMemoryStream& into) override;
  // Copies content, permission bits and time stamps; see TFileAccess::CopyToBackup.
  ExifData::TBackupOutcome CopyToBackup(const std::string& existing, const std::string& backup,
                                        const ExifData::TLoadHandle* loaded) override;
  // The save's own refusals, asked ahead: a file the user may not write, a
  // read-only file, and on Windows a file another program holds open.
  bool MayReplace(const std::string& path, const ExifData::TLoadHandle* loaded) override;
  // Any of the backups written lately (the last CopyToBackup's and those of
  // the saves still pending before it).
  bool RemoveBackup(const std::string& backup) override;
#ifdef _WIN32
  // The system's ANSI code page, as comments written on Windows have always
  // been: a character it lacks becomes its default character or a best fit.
  std::string CommentBytes(const std::string& text) const override;
#endif

  // The backup the last CopyToBackup wrote: its name and which file it is
  // (device and inode, or volume and file index; with its size and
  // modification time, since a number freed by a removal may come again).
  struct TWrittenBackup {
    std::string name;
    uint64_t volume = 0;
    uint64_t index = 0;
    int64_t size = 0;
    int64_t time = 0;
    bool operator==(const TWrittenBackup&) const = default;
  };

 private:
  // Backups stay removable while the saves of a group wait; more than a group
  // of saves never waits at once, so older ones are forgotten.
  static constexpr size_t kBackupsRemembered = 256;
  void rememberBackup(TWrittenBackup backup) {
    if (written_.size() == kBackupsRemembered) written_.erase(written_.begin());
    written_.push_back(std::move(backup));
  }
  // The record of `name`, newest first, taken off the list; an empty record
  // when there is none.
  TWrittenBackup takeBackup(const std::string& name) {
    for (auto at = written_.rbegin(); at != written_.rend(); ++at) {
      if (at->name != name) continue;
      TWrittenBackup taken = std::move(*at);
      written_.erase(std::next(at).base());
      return taken;
    }
    return {};
  }
  std::vector<TWrittenBackup> written_;
};

// Replaces the content of `path` with the output's bytes so that a failure at
// any moment leaves the file wholly old or wholly new: a temporary file beside
// it, flushed to stable storage, renamed over it. The output is written as it
// is pulled (ExifData::TPulledOutput). The file written is the file the load
// with the handle `loaded` read (without one, `path` is taken as it stands):
// a symbolic link is followed as the load followed it (the target is updated,
// the link kept), and a file that was replaced, removed or changed in size or
// times since is refused with EFileChanged; no file is ever created.
// The file keeps its owner, group, mode bits, ACLs and extended attributes;
// where a replace cannot keep them, the bytes go over the file in place after
// a flushed copy beside it. A file the user may not write is refused just as
// an in-place write would be. Throws EFileError; no temporary file survives a
// failure, except the whole copy of the new bytes when a write in place fails
// half-way.
void SaveFileAtomically(const std::string& path, const ExifData::TLoadHandle* loaded,
                        ExifData::TPulledOutput& output);

// A save begun by BeginSave: the new bytes beside the file, on their way to
// the disk; the file itself is untouched until FinishSaves. Dropped unfinished,
// the bytes go and the file stays as it was (also on SIGINT, SIGTERM, SIGHUP).
class TPendingSave {
 public:
  virtual ~TPendingSave() = default;
  // The bytes the new file holds.
  virtual uint64_t Size() const = 0;
};

// The first half of SaveFileAtomically, for many files to share the waits of
// the second: writes the new bytes beside the file and starts their way to
// the disk. Returns null when the save is complete already (a file that can
// only be written in place, or a platform that cannot start a write early).
// Throws as SaveFileAtomically does. The load's handle must outlive the
// pending save.
std::unique_ptr<TPendingSave> BeginSave(const std::string& path,
                                        const ExifData::TLoadHandle* loaded,
                                        ExifData::TPulledOutput& output);
// The second half: waits for the bytes of all the files at once, then in the
// order given checks that each name still refers to the file that was loaded
// and puts the file in place, then waits once more for the new names. Only
// then is a file saved. One file's failure stops no other: the result holds,
// per save, null or its error (EFileChanged, EFileError).
std::vector<std::exception_ptr> FinishSaves(const std::vector<TPendingSave*>& saves);
// How many saves may wait at once between BeginSave and FinishSaves: each
// holds open files and a place in the record the signal handlers clean up.
size_t MaxWaitingSaves();

// The same for pieces known whole, of a path taken as it stands.
void SaveFileAtomically(const std::string& path, const ExifData::TBytePieces& pieces);
// The same with one piece.
void SaveFileAtomically(const std::string& path, const void* data, size_t size);

// Full path of the running executable (UTF-8).
std::string ExecutablePath();
// `path` made absolute against the current directory (not resolved further).
std::string AbsolutePath(const std::string& path);

}  // namespace platform
