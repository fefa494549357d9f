// One version for the whole program: the text the window shows (and the
// comment carries) is the build's project version, its fourth component
// written as a letter.
#include <gtest/gtest.h>

#include <sstream>

#include "FormFixture.h"
#include "engine/ExifData.h"

namespace velmora::test {
namespace {

TEST(Version, TheProgramsTextIsTheBuildsVersion) {
  std::istringstream numbers(VELMORA_PROJECT_VERSION);
  int major = -1, minor = -1, patch = -1, tweak = 0;
  char dot = 0;
  numbers >> major >> dot >> minor >> dot >> patch >> dot >> tweak;
  std::string expected =
      "v" + std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
  if (tweak > 0) expected += static_cast<char>('a' + tweak - 1);
  EXPECT_EQ(ExifData::Version, expected);
  EXPECT_EQ(ExifData::Version, "v0.1.3d") << "the text the program has always shown";
}

class VersionLabel : public FormFixture {};

TEST_F(VersionLabel, BeginsWithTheProgramsVersion) {
  Form();
  ASSERT_FALSE(view.Only("Version:").empty());
  EXPECT_EQ(view.Only("Version:").back().rfind("Version:" + std::string(ExifData::Version), 0), 0u);
}

}  // namespace
}  // namespace velmora::test
