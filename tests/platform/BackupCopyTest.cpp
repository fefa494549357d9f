#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TestSupport.h"
#include "platform/Files.h"

namespace platform {
namespace {

using platform_test::ModeOf;
using platform_test::ReadFile;
using platform_test::TScratchFolder;
using platform_test::WriteFile;
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

TEST(CopyToBackup, CopiesContentModeAndModificationTimeOverAnyOlderBackup) {
  for (const bool older : {false, true}) {
    TScratchFolder folder;
    const std::string source = makeSource(folder);
    if (older) WriteFile(folder / "photo_bak.jpg", "an older backup, longer than the photo", 0600);
    EXPECT_TRUE(TPlatformFiles().CopyToBackup(source, folder / "photo_bak.jpg"));
    EXPECT_EQ(ReadFile(folder / "photo_bak.jpg"), "\xFF\xD8 original bytes \xFF\xD9");
    EXPECT_EQ(ModeOf(folder / "photo_bak.jpg"), 0640);
    const timespec copied = modificationTime(folder / "photo_bak.jpg");
    EXPECT_EQ(copied.tv_sec, kSourceTime.tv_sec);
    EXPECT_EQ(copied.tv_nsec, kSourceTime.tv_nsec);
    EXPECT_EQ(folder.Names(), (Names{"photo.jpg", "photo_bak.jpg"}));
  }
}

TEST(CopyToBackup, ReplacesALinkAtTheBackupNameAndLeavesItsTargetAlone) {
  TScratchFolder folder;
  const std::string source = makeSource(folder);
  WriteFile(folder / "victim.txt", "someone else's file", 0666);
  ASSERT_EQ(symlink("victim.txt", (folder / "photo_bak.jpg").c_str()), 0);
  EXPECT_TRUE(TPlatformFiles().CopyToBackup(source, folder / "photo_bak.jpg"));
  EXPECT_FALSE(std::filesystem::is_symlink(folder / "photo_bak.jpg"));
  EXPECT_EQ(ReadFile(folder / "photo_bak.jpg"), "\xFF\xD8 original bytes \xFF\xD9");
  EXPECT_EQ(ReadFile(folder / "victim.txt"), "someone else's file");
}

TEST(CopyToBackup, FailsWithoutLeavingATemporaryFile) {
  TScratchFolder folder;
  const std::string source = makeSource(folder);
  mkdir((folder / "folder.jpg").c_str(), 0755);
  mkdir((folder / "folder_bak.jpg").c_str(), 0755);
  WriteFile(folder / "readonly_bak.jpg", "kept", 0444);  // refuses the copy, root included
  const Names before = folder.Names();
  const struct {
    std::string existing;
    std::string backup;
  } cases[] = {
      {"missing.jpg", "missing_bak.jpg"}, {"folder.jpg", "other_bak.jpg"},
      {"photo.jpg", "folder_bak.jpg"},    {"photo.jpg", "nofolder/photo_bak.jpg"},
      {"photo.jpg", "readonly_bak.jpg"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(TPlatformFiles().CopyToBackup(folder / c.existing, folder / c.backup)) << c.backup;
  }
  EXPECT_EQ(folder.Names(), before);
  EXPECT_EQ(ReadFile(folder / "readonly_bak.jpg"), "kept");
}

TEST(CopyToBackup, FailsInAFolderTheUserMayNotWrite) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to own the folder";
  TScratchFolder folder;
  const std::string source = makeSource(folder);
  chmod(source.c_str(), 0644);
  chmod(folder.Path().c_str(), 0755);
  EXPECT_UNPRIVILEGED([&]() -> std::string {
    return TPlatformFiles().CopyToBackup(source, folder / "photo_bak.jpg") ? "copied" : "";
  });
  EXPECT_EQ(folder.Names(), Names{"photo.jpg"});
}

}  // namespace
}  // namespace platform
