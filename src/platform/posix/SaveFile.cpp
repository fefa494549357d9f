// The crash-safe save of a stripped file over its original.
#include "platform/Files.h"
#include "platform/PlatformTexts.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/MappedFiles.h"
#include "platform/posix/SystemReason.h"

namespace platform {

void SaveFileAtomically(const std::string& path, const void* data, size_t size) {
  SaveFileAtomically(path, {{static_cast<const uint8_t*>(data), size}});
}

void SaveFileAtomically(const std::string& path, const ExifData::TBytePieces& pieces) {
  // A loaded file that shrank while it was walked left zeros in its place.
  for (const auto piece : pieces) {
    if (posix::MappingChanged(piece.data())) throw EFileChanged(AbsolutePath(path));
  }
  try {
    // A path that was not loaded just before is taken as it stands now.
    std::optional<posix::TLoadedFile> loaded = posix::TakeLoad(path);
    if (!loaded) loaded = posix::OpenLoadedFile(path);
    posix::ReplaceLoadedFile(*loaded, pieces);
  } catch (const posix::EReplaceFailure& failure) {
    const std::string where = AbsolutePath(path);
    switch (failure.Step()) {
      case posix::EReplaceFailure::TStep::Changed:
        throw EFileChanged(where);
      case posix::EReplaceFailure::TStep::Write:
        throw EFileError(
            FormatText(kTextCannotWrite, {where, posix::SystemReason(failure.Error())}));
      case posix::EReplaceFailure::TStep::Create:
        break;
    }
    throw EFileError(FormatText(kTextCannotCreate, {where, posix::SystemReason(failure.Error())}));
  }
}

}  // namespace platform
