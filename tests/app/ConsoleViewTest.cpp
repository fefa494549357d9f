// The console view: what a file name can make the terminal do.
#include <gtest/gtest.h>

#include <sstream>

#include "app/ConsoleView.h"
#include "platform/Translation.h"

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
  EXPECT_EQ(err.str(), "Warning: Strip error.\n<evil\\x1B[31m.jpg> \n");
}

// The captions speak the chosen language; the log and the box's text are
// the program's own and stay as they are.
TEST(ConsoleView, BoxCaptionsAreInTheChosenLanguage) {
  struct TCase {
    const char* language;
    const char* err;
  };
  for (const TCase& c : {TCase{"en", "Warning: Strip error.\n<a.jpg> \nError: <x>\n"},
                         TCase{"ja", "警告: Strip error.\n<a.jpg> \nエラー: <x>\n"}}) {
    platform::UseLanguage(c.language);
    std::ostringstream out, err;
    TConsoleView view(out, err);
    view.AppendLogLines({"  *** Not Jpeg file. Marker=$4142"});
    view.ShowWarning("Strip error.\r\n<a.jpg> ");
    view.ShowAbortError("<x>");
    EXPECT_EQ(out.str(), "  *** Not Jpeg file. Marker=$4142\n") << c.language;
    EXPECT_EQ(err.str(), c.err) << c.language;
  }
  platform::UseLanguage("en");
}

}  // namespace
}  // namespace app
