#include <gtest/gtest.h>

#include "platform/PlatformTexts.h"

namespace velmora::test {

using namespace platform;
namespace {

TEST(FormatText, FillsPlaceholdersInOrderAndInsertsArgumentsLiterally) {
  EXPECT_EQ(FormatText("ファイル %s は開けません。 %s ", {"/p/a.jpg", "No such file or directory"}),
            "ファイル /p/a.jpg は開けません。 No such file or directory ");
  // A path holding printf directives must come out as written.
  EXPECT_EQ(FormatText("%s に書き込めません", {"/home/%s%d%n.ini"}),
            "/home/%s%d%n.ini に書き込めません");
}

TEST(TrimSystemReason, RemovesControlsBlanksAndFullStopsFromTheEndOnly) {
  const struct {
    const char* reason;
    const char* trimmed;
  } cases[] = {
      {"Access is denied.\r\n", "Access is denied"},
      {"No such file or directory", "No such file or directory"},
      {"e.g. a name . .\t \x01", "e.g. a name"},
      {"アクセスが拒否されました。\r\n", "アクセスが拒否されました。"},  // only ASCII "." counts
      {" . ", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimSystemReason(c.reason), c.trimmed) << c.reason;
}

}  // namespace
}  // namespace velmora::test
