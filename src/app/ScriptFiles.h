// File access for the runs with switches that write no file: a check reads
// through the platform but makes no backup, and the filter reads its one
// picture from standard input.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/ExifData.h"

namespace app {

// Loads through `files`; writes nothing ahead, makes no backup.
class TReadOnlyFiles : public ExifData::TFileAccess {
 public:
  explicit TReadOnlyFiles(ExifData::TFileAccess& files) : files_(files) {}
  ExifData::TLoadResult LoadFile(const std::string& path, ExifData::TMemoryStream& into) override;
  ExifData::TBackupOutcome CopyToBackup(const std::string&, const std::string&,
                                        const ExifData::TLoadHandle*) override {
    return ExifData::TBackupOutcome::Failed;
  }
  // The comment as the strip would write it, so that a check agrees with it.
  std::string CommentBytes(const std::string& text) const override;

 private:
  ExifData::TFileAccess& files_;
};

// Any name loads the bytes of standard input, read once; otherwise as read-only
// files (no backup, the strip's own comment encoding).
class TStandardInput : public TReadOnlyFiles {
 public:
  using TReadOnlyFiles::TReadOnlyFiles;
  ExifData::TLoadResult LoadFile(const std::string& path, ExifData::TMemoryStream& into) override;
  // The bytes read (empty before the load).
  const std::vector<uint8_t>& Bytes() const { return *bytes_; }

 private:
  std::shared_ptr<std::vector<uint8_t>> bytes_ = std::make_shared<std::vector<uint8_t>>();
  bool read_ = false;
};

}  // namespace app
