// An in-memory file system for the engine's driver: files by path, load
// failures on demand, backup copies recorded.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/ExifData.h"

namespace velmora::test {

class TFakeFileAccess : public ExifData::TFileAccess {
 public:
  std::map<std::string, std::vector<uint8_t>> files;
  // A path listed here fails to load with this result instead of being read.
  std::map<std::string, ExifData::TLoadResult> loadFailures;
  // Backups of these files fail.
  std::set<std::string> failingCopies;
  // (existing, backup) of every copy asked for, in order, names already taken included.
  std::vector<std::pair<std::string, std::string>> copies;
  int loads = 0;
  // These files may not be replaced (read-only, held open elsewhere).
  std::set<std::string> notReplaceable;
  // Backups removed after a failed save, in order.
  std::vector<std::string> removedBackups;
  // Handles of loads that their runs still hold.
  int heldLoads = 0;

  ExifData::TLoadResult LoadFile(const std::string& path, ExifData::TMemoryStream& into) override;
  // Never replaces: a taken name with the same bytes is kept, any other is occupied.
  ExifData::TBackupOutcome CopyToBackup(const std::string& existing, const std::string& backup,
                                        const ExifData::TLoadHandle* loaded) override;
  bool MayReplace(const std::string& path, const ExifData::TLoadHandle*) override {
    return notReplaceable.count(path) == 0;
  }
  bool RemoveBackup(const std::string& backup) override;
};

}  // namespace velmora::test
