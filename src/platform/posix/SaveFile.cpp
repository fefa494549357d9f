// The crash-safe save of a stripped file over its original.
#include "platform/Files.h"
#include "platform/PlatformTexts.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/SystemReason.h"

namespace platform {

void SaveFileAtomically(const std::string& path, const void* data, size_t size) {
  SaveFileAtomically(path, {{static_cast<const uint8_t*>(data), size}});
}

void SaveFileAtomically(const std::string& path, const ExifData::TBytePieces& pieces) {
  ExifData::TKnownOutput output(pieces);
  SaveFileAtomically(path, nullptr, output);
}

void SaveFileAtomically(const std::string& path, const ExifData::TLoadHandle* loaded,
                        ExifData::TPulledOutput& output) {
  try {
    // Without a load of ours the path is taken as it stands now.
    if (const posix::TLoadedFile* file = posix::LoadedFileOf(loaded)) {
      posix::ReplaceLoadedFile(*file, output);
    } else {
      posix::ReplaceLoadedFile(posix::OpenLoadedFile(path), output);
    }
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
