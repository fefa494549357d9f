#include <gtest/gtest.h>

#include <string>

#include "engine/PathRules.h"

using ExifData::BackupNameOf;
using ExifData::FileNameOf;
using ExifData::ReplaceExtension;

namespace {

struct BackupCase {
  const char* path;
  const char* backup;
};

// With "\" and ":" as delimiters, as on the system the tool was first made for.
const BackupCase kBackupTable[] = {
    {"C:\\pics\\a.jpg", "C:\\pics\\a_bak.jpg"},
    {"C:\\pics\\a.jpeg", "C:\\pics\\a_bak.jpg"},
    {"C:\\pics\\A.JPG", "C:\\pics\\A_bak.jpg"},
    {"C:\\pics\\a.b.jpg", "C:\\pics\\a.b_bak.jpg"},
    {"C:\\pics\\noext", "C:\\pics\\noext_bak.jpg"},
    {"C:\\my.pics\\photo", "C:\\my.pics\\photo_bak.jpg"},
    {"C:\\pics\\a.", "C:\\pics\\a_bak.jpg"},
    {"C:\\pics\\.jpg", "C:\\pics\\_bak.jpg"},
    {"a.jpg", "a_bak.jpg"},
    {"C:\\pics\\a_bak.jpg", "C:\\pics\\a_bak_bak.jpg"},
    {"C:a.jpg", "C:a_bak.jpg"},
    {"C:my.photo", "C:my_bak.jpg"},
};

// "C:\pics\a.jpg" -> "/pics/a.jpg".
std::string ToPosix(std::string path) {
  if (path.rfind("C:\\", 0) == 0) path.replace(0, 3, "/");
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace

TEST(BackupNameOf, FollowsTheTableWithBackslashAndColon) {
  for (const BackupCase& c : kBackupTable) EXPECT_EQ(BackupNameOf(c.path, "\\:"), c.backup);
}

TEST(BackupNameOf, FollowsTheTableWithSlashOnPosix) {
  for (const BackupCase& c : kBackupTable) {
    const std::string path(c.path);
    if (path.rfind("C:", 0) == 0 && path.rfind("C:\\", 0) != 0) continue;  // drive-relative
    EXPECT_EQ(BackupNameOf(ToPosix(path), "/"), ToPosix(c.backup)) << c.path;
  }
}

TEST(BackupNameOf, LandsBesideTheFileWhateverTheFoldersAreCalled) {
  struct Case {
    const char* path;
    const char* delimiters;
    const char* backup;
  };
  const Case cases[] = {
      {"/home/me.2/photo", "/", "/home/me.2/photo_bak.jpg"},
      {"/pics/a\\b.c", "/", "/pics/a\\b_bak.jpg"},  // "\" is a name character
      {"/pics/x:y", "/", "/pics/x:y_bak.jpg"},      // so is ":"
      {"C:/my.pics/photo", "\\/:", "C:/my.pics/photo_bak.jpg"},
      {"C:\\d.e/photo", "\\/:", "C:\\d.e/photo_bak.jpg"},
  };
  for (const Case& c : cases) EXPECT_EQ(BackupNameOf(c.path, c.delimiters), c.backup) << c.path;
}

TEST(FileNameOf, IsTheTextAfterTheLastDelimiter) {
  struct Case {
    const char* path;
    const char* delimiters;
    const char* name;
  };
  const Case cases[] = {
      {"C:\\pics\\a.jpg", "\\:", "a.jpg"},
      {"C:a.jpg", "\\:", "a.jpg"},
      {"a.jpg", "\\:", "a.jpg"},
      {"C:/pics/a.jpg", "\\/:", "a.jpg"},
      {"/opt/v1.2/velmora", "/", "velmora"},
      {"dir\\x.jpg", "/", "dir\\x.jpg"},
      {"/pics/", "/", ""},
      {"", "/", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FileNameOf(c.path, c.delimiters), c.name) << c.path;
}

TEST(ReplaceExtension, WithAnEmptyEndingDropsTheExtension) {
  EXPECT_EQ(ReplaceExtension("Velmora.exe", "", "\\:"), "Velmora");
  EXPECT_EQ(ReplaceExtension("my.tool.exe", "", "\\:"), "my.tool");
  EXPECT_EQ(ReplaceExtension("velmora", "", "/"), "velmora");
}

#ifndef _WIN32
TEST(PathRules, PosixDefaultsTreatOnlySlashAsDelimiter) {
  EXPECT_EQ(FileNameOf("/a\\b/c:d.jpg"), "c:d.jpg");
  EXPECT_EQ(BackupNameOf("/x.y/a\\b"), "/x.y/a\\b_bak.jpg");
}
#endif
