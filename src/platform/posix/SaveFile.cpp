// The crash-safe save of a stripped file over its original, whole or in two
// halves, so that a batch waits for the disk once per group of files rather
// than once per file.
#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/Files.h"
#include "platform/PlatformTexts.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/SystemReason.h"

namespace platform {
namespace {

// The replace's failure as the save reports it: the full path and the reason.
[[noreturn]] void throwSaveError(const std::string& path, const posix::EReplaceFailure& failure) {
  const std::string where = AbsolutePath(path);
  switch (failure.Step()) {
    case posix::EReplaceFailure::TStep::Changed:
      throw EFileChanged(where);
    case posix::EReplaceFailure::TStep::Write:
      throw EFileError(FormatText(kTextCannotWrite, {where, posix::SystemReason(failure.Error())}));
    case posix::EReplaceFailure::TStep::Create:
      break;
  }
  throw EFileError(FormatText(kTextCannotCreate, {where, posix::SystemReason(failure.Error())}));
}

class TPosixPendingSave : public TPendingSave {
 public:
  TPosixPendingSave(std::string path, std::optional<posix::TLoadedFile> opened)
      : path_(std::move(path)), opened_(std::move(opened)) {}
  uint64_t Size() const override { return replace_ ? replace_->size : 0; }

  const std::string& Path() const { return path_; }
  // The file as the load saw it: the load's own, or the one opened here.
  const posix::TLoadedFile& Loaded(const posix::TLoadedFile* fromLoad) const {
    return fromLoad != nullptr ? *fromLoad : *opened_;
  }
  std::unique_ptr<posix::TPendingReplace>& Replace() { return replace_; }

 private:
  std::string path_;
  std::optional<posix::TLoadedFile> opened_;
  std::unique_ptr<posix::TPendingReplace> replace_;
};

}  // namespace

std::unique_ptr<TPendingSave> BeginSave(const std::string& path,
                                        const ExifData::TLoadHandle* loaded,
                                        ExifData::TPulledOutput& output) {
  try {
    // Without a load of ours the path is taken as it stands now.
    const posix::TLoadedFile* file = posix::LoadedFileOf(loaded);
    auto pending = std::make_unique<TPosixPendingSave>(
        path, file != nullptr ? std::nullopt
                              : std::optional<posix::TLoadedFile>(posix::OpenLoadedFile(path)));
    pending->Replace() = posix::BeginReplace(pending->Loaded(file), output);
    if (!pending->Replace()) return nullptr;
    return pending;
  } catch (const posix::EReplaceFailure& failure) {
    throwSaveError(path, failure);
  }
}

std::vector<std::exception_ptr> FinishSaves(const std::vector<TPendingSave*>& saves) {
  std::vector<std::exception_ptr> errors(saves.size());
  // The folders renamed in, each to be flushed once: the same folder is open
  // under as many descriptors as files were loaded from it.
  struct TFolder {
    dev_t device;
    ino_t inode;
    int fd;
  };
  std::vector<TFolder> folders;
  for (size_t i = 0; i < saves.size(); ++i) {
    auto& save = static_cast<TPosixPendingSave&>(*saves[i]);
    try {
      posix::TPendingReplace& replace = *save.Replace();
      posix::FinishReplace(replace);
      const int fd = replace.loaded->place.folder.Get();
      struct stat st {};
      if (fstat(fd, &st) != 0) {
        posix::FlushFolder(fd);
        continue;
      }
      const auto same = [&](const TFolder& f) {
        return f.device == st.st_dev && f.inode == st.st_ino;
      };
      if (std::find_if(folders.begin(), folders.end(), same) == folders.end())
        folders.push_back({st.st_dev, st.st_ino, fd});
    } catch (const posix::EReplaceFailure& failure) {
      try {
        throwSaveError(save.Path(), failure);
      } catch (...) {
        errors[i] = std::current_exception();
      }
    } catch (...) {
      errors[i] = std::current_exception();
    }
  }
  for (const TFolder& folder : folders) posix::FlushFolder(folder.fd);
  return errors;
}

void SaveFileAtomically(const std::string& path, const ExifData::TLoadHandle* loaded,
                        ExifData::TPulledOutput& output) {
  std::unique_ptr<TPendingSave> pending = BeginSave(path, loaded, output);
  if (!pending) return;
  const std::vector<std::exception_ptr> errors = FinishSaves({pending.get()});
  if (errors.front()) std::rethrow_exception(errors.front());
}

void SaveFileAtomically(const std::string& path, const void* data, size_t size) {
  SaveFileAtomically(path, {{static_cast<const uint8_t*>(data), size}});
}

void SaveFileAtomically(const std::string& path, const ExifData::TBytePieces& pieces) {
  ExifData::TKnownOutput output(pieces);
  SaveFileAtomically(path, nullptr, output);
}

}  // namespace platform
