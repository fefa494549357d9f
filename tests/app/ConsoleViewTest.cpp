// The console view: what a file name can make the terminal do.
#include <gtest/gtest.h>

#include <sstream>

#include "app/ConsoleView.h"

namespace app {
namespace {

TEST(ConsoleView, ControlCharactersAreShownEscaped) {
  // clang-format off
  const struct {
    std::string raw;
    std::string shown;
  } cases[] = {
      {"plain name.jpg", "plain name.jpg"},
      {"日本語の写真.jpg", "日本語の写真.jpg"},
      {"a\nADRS=$000000 MARK=$FFD8 SOI.jpg", "a\\nADRS=$000000 MARK=$FFD8 SOI.jpg"},  // a forged log line
      {"b\r\t.jpg", "b\\r\\t.jpg"},
      {"\x1B[2J\x1B]0;title\x07.jpg", "\\x1B[2J\\x1B]0;title\\x07.jpg"},
      {std::string("nul\0.jpg", 8), "nul\\x00.jpg"},
      {"del\x7F.jpg", "del\\x7F.jpg"},
      {"csi\xC2\x9B" "31m.jpg", "csi\\u009B31m.jpg"},               // the eight-bit controls
      {"nbsp\xC2\xA0.jpg", "nbsp\xC2\xA0.jpg"},                     // printable, kept
      {"latin1 \xE9\x9B.jpg", "latin1 \\xE9\\x9B.jpg"},             // not UTF-8
      {"cut \xE6\x97", "cut \\xE6\\x97"},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(EscapeForConsole(c.raw), c.shown);
}

TEST(ConsoleView, LogLinesAndBoxesAreEscapedButABoxKeepsItsLineBreak) {
  std::ostringstream out, err;
  TConsoleView view(out, err);
  view.AppendLogLines({"-----<evil\n.jpg>-----"});
  view.ShowWarning("Strip error.\r\n<evil\x1B[31m.jpg> ");
  EXPECT_EQ(out.str(), "-----<evil\\n.jpg>-----\n");
  EXPECT_EQ(err.str(), "警告: Strip error.\n<evil\\x1B[31m.jpg> \n");
}

}  // namespace
}  // namespace app
