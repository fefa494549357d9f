#include "app/ScriptFiles.h"

#include "app/Texts.h"
#include "platform/StandardStreams.h"

namespace app {

ExifData::TLoadResult TReadOnlyFiles::LoadFile(const std::string& path,
                                               ExifData::TMemoryStream& into) {
  return files_.LoadFile(path, into);
}

std::string TReadOnlyFiles::CommentBytes(const std::string& text) const {
  return files_.CommentBytes(text);
}

ExifData::TLoadResult TStandardInput::LoadFile(const std::string&, ExifData::TMemoryStream& into) {
  into.Clear();
  if (!read_ && !platform::ReadStandardInput(*bytes_)) {
    return {ExifData::TLoadResult::TKind::Failed, std::string(texts::kStandardInputError)};
  }
  read_ = true;
  if (static_cast<int64_t>(bytes_->size()) >= ExifData::kMaxInputSize)
    return {ExifData::TLoadResult::TKind::TooLarge, {}};
  if (!bytes_->empty()) into.Adopt(bytes_->data(), bytes_->size(), bytes_);
  return {};
}

}  // namespace app
