#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/UniqueFd.h"

namespace velmora::test {

using namespace platform;
namespace {

using ExifData::TBackupOutcome;
using Names = std::vector<std::string>;

constexpr timespec kSourceTime = {981158400, 123456789};  // 2001-02-03, with nanoseconds

timespec modificationTime(const std::string& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st.st_mtim;
}

// photo.jpg with fixed content, mode 0640 and a fixed modification time.
std::string makeSource(const TScratchFolder& folder) {
  const std::string path = folder / "photo.jpg";
  WriteFile(path, "\xFF\xD8 original bytes \xFF\xD9", 0640);
  const timespec times[2] = {kSourceTime, kSourceTime};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
  return path;
}

TEST(CopyToBackup, CopiesContentModeAndModificationTimeToAFreeName) {
  TScratchFolder folder;
  const std::string source = makeSource(folder);
  EXPECT_EQ(TPlatformFiles().CopyToBackup(source, folder / "photo_bak.jpg", nullptr),
            TBackupOutcome::Written);
  EXPECT_EQ(ReadFile(folder / "photo_bak.jpg"), "\xFF\xD8 original bytes \xFF\xD9");
  EXPECT_EQ(ModeOf(folder / "photo_bak.jpg"), 0640);
  const timespec copied = modificationTime(folder / "photo_bak.jpg");
  EXPECT_EQ(copied.tv_sec, kSourceTime.tv_sec);
  EXPECT_EQ(copied.tv_nsec, kSourceTime.tv_nsec);
  EXPECT_EQ(folder.Names(), (Names{"photo.jpg", "photo_bak.jpg"}));
}

// Whatever bears the name stays exactly as it is: a backup may be the only
// copy of an original, and a link may lead anywhere.
TEST(CopyToBackup, NeverReplacesWhatBearsTheName) {
  TScratchFolder folder;
  const std::string source = makeSource(folder);
  WriteFile(folder / "same_bak.jpg", "\xFF\xD8 original bytes \xFF\xD9", 0444);
  WriteFile(folder / "other_bak.jpg", "an older backup, longer than the photo", 0600);
  WriteFile(folder / "short_bak.jpg", "\xFF\xD8 original", 0600);
  WriteFile(folder / "victim.txt", "\xFF\xD8 original bytes \xFF\xD9", 0666);
  ASSERT_EQ(symlink("victim.txt", (folder / "link_bak.jpg").c_str()), 0);
  mkdir((folder / "folder_bak.jpg").c_str(), 0755);
  const Names before = folder.Names();
  const struct {
    const char* backup;
    TBackupOutcome outcome;
  } cases[] = {
      {"same_bak.jpg", TBackupOutcome::Kept},       {"other_bak.jpg", TBackupOutcome::Occupied},
      {"short_bak.jpg", TBackupOutcome::Occupied},  {"link_bak.jpg", TBackupOutcome::Occupied},
      {"folder_bak.jpg", TBackupOutcome::Occupied},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TPlatformFiles().CopyToBackup(source, folder / c.backup, nullptr), c.outcome)
        << c.backup;
  }
  EXPECT_EQ(folder.Names(), before);
  EXPECT_EQ(ReadFile(folder / "other_bak.jpg"), "an older backup, longer than the photo");
  EXPECT_EQ(ReadFile(folder / "short_bak.jpg"), "\xFF\xD8 original");
  EXPECT_EQ(ModeOf(folder / "same_bak.jpg"), 0444);
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "link_bak.jpg"));
}

TEST(CopyToBackup, FailsWithoutLeavingATemporaryFile) {
  TScratchFolder folder;
  const std::string source = makeSource(folder);
  mkdir((folder / "folder.jpg").c_str(), 0755);
  const Names before = folder.Names();
  const struct {
    std::string existing;
    std::string backup;
  } cases[] = {
      {"missing.jpg", "missing_bak.jpg"},
      {"folder.jpg", "other_bak.jpg"},
      {"photo.jpg", "nofolder/photo_bak.jpg"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TPlatformFiles().CopyToBackup(folder / c.existing, folder / c.backup, nullptr),
              TBackupOutcome::Failed)
        << c.backup;
  }
  EXPECT_EQ(folder.Names(), before);
}

TEST(CopyToBackup, FailsInAFolderTheUserMayNotWrite) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to own the folder";
  TScratchFolder folder;
  const std::string source = makeSource(folder);
  chmod(source.c_str(), 0644);
  chmod(folder.Path().c_str(), 0755);
  EXPECT_UNPRIVILEGED([&]() -> std::string {
    const auto outcome = TPlatformFiles().CopyToBackup(source, folder / "photo_bak.jpg", nullptr);
    return outcome == TBackupOutcome::Failed ? "" : "not refused";
  });
  EXPECT_EQ(folder.Names(), Names{"photo.jpg"});
}

// A name taken between the look and the commit is not replaced either.
TEST(TempFile, CommitNewLeavesANameTakenMeanwhile) {
  TScratchFolder folder;
  WriteFile(folder / "taken.jpg", "someone else's", 0644);
  const posix::TUniqueFd dir(open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  ASSERT_TRUE(dir.Valid());
  {
    posix::TTempFile temp(dir.Get(), 0600);
    temp.Write("mine", 4);
    try {
      temp.CommitNew("taken.jpg");
      ADD_FAILURE() << "committed over a taken name";
    } catch (const posix::EReplaceFailure& failure) {
      EXPECT_EQ(failure.Error(), EEXIST);
    }
  }
  posix::TTempFile temp(dir.Get(), 0600);
  temp.Write("mine", 4);
  temp.CommitNew("free.jpg");
  EXPECT_EQ(ReadFile(folder / "free.jpg"), "mine");
  EXPECT_EQ(ReadFile(folder / "taken.jpg"), "someone else's");
  EXPECT_EQ(folder.Names(), (Names{"free.jpg", "taken.jpg"}));
}

}  // namespace
}  // namespace velmora::test
