#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/AppData.h"

namespace velmora::test {

using namespace platform;
namespace {

TEST(AppDataFolder, IsTheXdgConfigFolderElseHomeDotConfig) {
  const passwd* entry = getpwuid(geteuid());
  ASSERT_NE(entry, nullptr);
  const std::string passwdConfig = std::string(entry->pw_dir) + "/.config";
  const struct {
    const char* xdgConfigHome;  // nullptr: unset
    const char* home;
    std::string expected;
  } cases[] = {
      {"/x/conf", "/users/u", "/x/conf"},
      {"relative/conf", "/users/u", "/users/u/.config"},  // only an absolute value counts
      {"", "/users/u", "/users/u/.config"},
      {nullptr, "/users/u/", "/users/u/.config"},
      {nullptr, nullptr, passwdConfig},
      {nullptr, "relative", passwdConfig},
  };
  for (const auto& c : cases) {
    const TScopedEnv xdg("XDG_CONFIG_HOME", c.xdgConfigHome);
    const TScopedEnv home("HOME", c.home);
    EXPECT_EQ(AppDataFolder(), c.expected)
        << (c.xdgConfigHome ? c.xdgConfigHome : "unset") << " / " << (c.home ? c.home : "unset");
  }
}

TEST(SubfolderPath, PutsOneSeparatorBetweenAndOneAtTheEnd) {
  EXPECT_EQ(SubfolderPath("/x/conf", "BRESKO"), "/x/conf/BRESKO/");
  EXPECT_EQ(SubfolderPath("/x/conf/", "BRESKO"), "/x/conf/BRESKO/");
  EXPECT_EQ(SubfolderPath("", "BRESKO"), "/BRESKO/");  // no base folder known
}

TEST(FolderExists, IsFalseOnlyForAbsenceBadNamesAndFilesInTheWay) {
  TScratchFolder folder;
  mkdir((folder / "BRESKO").c_str(), 0755);
  velmora::test::WriteFile(folder / "file", "x");
  const struct {
    std::string path;
    bool exists;
  } cases[] = {
      {folder / "BRESKO", true},
      {folder / "BRESKO/", true},
      {folder / "missing/", false},
      {folder / "file", false},
      {folder / "file/BRESKO/", false},
      {"", false},
      {folder / std::string("BRE\0SKO", 7), false},
      {folder / std::string(300, 'n'), false},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderExists(c.path), c.exists) << c.path;
}

TEST(FolderExists, IsTrueWhereThePathCannotBeLookedAt) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to own the closed folder";
  TScratchFolder folder;
  mkdir((folder / "closed").c_str(), 0700);
  mkdir((folder / "closed/BRESKO").c_str(), 0755);
  EXPECT_UNPRIVILEGED([&]() -> std::string {
    std::string problems;
    for (const std::string name : {"closed/BRESKO/", "closed/missing/"}) {
      if (!FolderExists(folder / name)) problems += name + " ";
    }
    return problems;
  });
}

TEST(CreateFolder, MakesTheMissingFoldersAboveItAllPrivate) {
  // A fresh account: neither the configuration base folder nor its parent.
  TScratchFolder folder;
  const mode_t old = umask(022);
  EXPECT_TRUE(CreateFolder(folder / "home/.config/BRESKO/"));
  umask(old);
  for (const std::string name : {"home", "home/.config", "home/.config/BRESKO"})
    EXPECT_EQ(velmora::test::ModeOf(folder / name), 0700) << name;

  // What truly cannot be made, or is there already, still fails.
  velmora::test::WriteFile(folder / "file", "x");
  for (const std::string name : {"home/.config/BRESKO", "file", "file/BRESKO", "file/a/BRESKO"}) {
    EXPECT_FALSE(CreateFolder(folder / name)) << name;
  }
}

}  // namespace
}  // namespace velmora::test
