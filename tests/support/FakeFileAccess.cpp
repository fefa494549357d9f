#include "FakeFileAccess.h"

namespace velmora::test {
namespace {

// Counts itself among the loads held.
class THeldLoad : public ExifData::TLoadHandle {
 public:
  explicit THeldLoad(int& held) : held_(held) { ++held_; }
  ~THeldLoad() override { --held_; }
  THeldLoad(const THeldLoad&) = delete;
  THeldLoad& operator=(const THeldLoad&) = delete;

 private:
  int& held_;
};

}  // namespace

ExifData::TLoadResult TFakeFileAccess::LoadFile(const std::string& path,
                                                ExifData::TMemoryStream& into) {
  ++loads;
  into.Clear();
  if (auto failure = loadFailures.find(path); failure != loadFailures.end())
    return {failure->second.kind, failure->second.message};
  auto file = files.find(path);
  if (file == files.end()) return {ExifData::TLoadResult::TKind::Failed, {}};
  into.Bytes() = file->second;
  ExifData::TLoadResult result;
  result.handle = std::make_shared<THeldLoad>(heldLoads);
  return result;
}

ExifData::TBackupOutcome TFakeFileAccess::CopyToBackup(const std::string& existing,
                                                       const std::string& backup,
                                                       const ExifData::TLoadHandle*) {
  using ExifData::TBackupOutcome;
  copies.emplace_back(existing, backup);
  auto file = files.find(existing);
  if (failingCopies.count(existing) != 0 || file == files.end()) return TBackupOutcome::Failed;
  if (auto taken = files.find(backup); taken != files.end()) {
    return taken->second == file->second ? TBackupOutcome::Kept : TBackupOutcome::Occupied;
  }
  const std::vector<uint8_t> bytes = file->second;
  files[backup] = bytes;
  return TBackupOutcome::Written;
}

bool TFakeFileAccess::RemoveBackup(const std::string& backup) {
  removedBackups.push_back(backup);
  return files.erase(backup) == 1;
}

}  // namespace velmora::test
