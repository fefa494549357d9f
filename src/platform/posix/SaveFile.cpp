// The crash-safe save of a stripped file over its original.
#include "platform/Files.h"
#include "platform/PlatformTexts.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/SystemReason.h"

namespace platform {

void SaveFileAtomically(const std::string& path, const void* data, size_t size) {
  try {
    posix::ReplaceFileContents(path, data, size);
  } catch (const posix::EReplaceFailure& failure) {
    const bool writing = failure.Step() == posix::EReplaceFailure::TStep::Write;
    throw EFileError(FormatText(writing ? kTextCannotWrite : kTextCannotCreate,
                                {AbsolutePath(path), posix::SystemReason(failure.Error())}));
  }
}

}  // namespace platform
