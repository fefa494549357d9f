#include <gtest/gtest.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/Files.h"

namespace velmora::test {

using namespace platform;
namespace {

TEST(AbsolutePath, JoinsRelativePathsToTheCurrentFolderAsWritten) {
  velmora::test::TScratchFolder folder;
  const velmora::test::TScopedCwd cwd(folder.Path());
  const std::string here = folder.Path();
  EXPECT_EQ(AbsolutePath("a.jpg"), here + "/a.jpg");
  EXPECT_EQ(AbsolutePath("sub/../a.jpg"), here + "/sub/../a.jpg");
  EXPECT_EQ(AbsolutePath("./a b.jpg"), here + "/./a b.jpg");
  EXPECT_EQ(AbsolutePath("/p/q/../a.jpg"), "/p/q/../a.jpg");
}

TEST(AbsolutePath, AddsNoSecondSlashInTheRootFolder) {
  const velmora::test::TScopedCwd cwd("/");
  EXPECT_EQ(AbsolutePath("a.jpg"), "/a.jpg");
}

TEST(ExecutablePath, NamesThisTestProgramByItsFullPath) {
  const std::string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_TRUE(path.ends_with("/velmora_platform_tests")) << path;
  EXPECT_EQ(access(path.c_str(), X_OK), 0);
}

}  // namespace
}  // namespace velmora::test
