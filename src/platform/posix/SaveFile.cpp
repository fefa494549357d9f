// The crash-safe save of a stripped file over its original, whole or in two
// halves, so that a batch waits for the disk once per group of files rather
// than once per file.
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/Files.h"
#include "platform/PlatformTexts.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/SignalCleanup.h"
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
  const auto fail = [&](size_t i, const std::string& path, const posix::EReplaceFailure& failure) {
    try {
      throwSaveError(path, failure);
    } catch (...) {
      errors[i] = std::current_exception();
    }
  };
  const auto replaceOf = [&](size_t i) -> posix::TPendingReplace& {
    return *static_cast<TPosixPendingSave&>(*saves[i]).Replace();
  };
  const auto pathOf = [&](size_t i) -> const std::string& {
    return static_cast<TPosixPendingSave&>(*saves[i]).Path();
  };
  if (saves.size() == 1) {
    // One file waits for its own bytes and its folder, never for the rest
    // of a busy file system.
    try {
      posix::FinishReplace(replaceOf(0));
      posix::FlushFolder(replaceOf(0).loaded->place.folder.Get());
    } catch (const posix::EReplaceFailure& failure) {
      fail(0, pathOf(0), failure);
    }
    return errors;
  }
  // Many files: one flush of each file system they are on makes every copy
  // durable at once, where a flush per file waits for the disk per file. A
  // file system that reports a failed write fails each of its files: which
  // copy it hit is not known, and no copy that may be torn goes in place.
  std::vector<std::pair<dev_t, int>> systems;  // each file system, and a folder on it
  std::vector<dev_t> deviceOf(saves.size());
  for (size_t i = 0; i < saves.size(); ++i) {
    // The copy is beside the file, so on the file system the load saw the
    // file on (a file that moved since is refused by its check).
    const posix::TLoadedFile& loaded = *replaceOf(i).loaded;
    deviceOf[i] = loaded.st.st_dev;
    const auto same = [&](const auto& system) { return system.first == deviceOf[i]; };
    if (std::find_if(systems.begin(), systems.end(), same) == systems.end())
      systems.emplace_back(deviceOf[i], loaded.place.folder.Get());
  }
  for (const auto& [device, folder] : systems) {
    const int error = posix::FlushFileSystem(folder);
    for (size_t i = 0; i < saves.size(); ++i) {
      if (errors[i] || deviceOf[i] != device) continue;
      if (error != 0)
        fail(i, pathOf(i), posix::EReplaceFailure(posix::EReplaceFailure::TStep::Write, error));
      else
        replaceOf(i).copy->Flushed();
    }
  }
  // In order, each file checked right before its copy takes its name.
  for (size_t i = 0; i < saves.size(); ++i) {
    if (errors[i]) continue;
    try {
      posix::FinishReplace(replaceOf(i));
    } catch (const posix::EReplaceFailure& failure) {
      fail(i, pathOf(i), failure);
    }
  }
  // The new names: durable once each file system is flushed again. The bytes
  // are in place already, so a failure here fails no save.
  for (const auto& [device, folder] : systems) posix::FlushFileSystem(folder);
  return errors;
}

size_t MaxWaitingSaves() {
  // A waiting save holds three descriptors (the file loaded, its folder, the
  // copy); some are left for everything else.
  constexpr size_t kPerSave = 3;
  constexpr rlim_t kKeptFree = 64;
  struct rlimit limit {};
  size_t byFiles = posix::kTempFileSlots;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    byFiles = limit.rlim_cur > kKeptFree ? (limit.rlim_cur - kKeptFree) / kPerSave : 1;
  // Some places on record stay for a backup and the settings file.
  return std::max<size_t>(1, std::min(byFiles, posix::kTempFileSlots - 16));
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
