// The command line as typed: which words are switches, which are files, and
// what is refused; and the JSON strings the machine-readable output holds.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/JsonText.h"
#include "app/Options.h"

namespace velmora::test {
namespace {

using app::ParseCommandLine;

// Options as "key=1" / "key=0", in the order given.
std::string optionsOf(const app::TCommandLine& line) {
  std::string text;
  for (const app::TOptionChoice& choice : line.options)
    text += std::string(app::kSettingsRows[choice.row].key) + (choice.on ? "=1 " : "=0 ");
  return text;
}

std::string flagsOf(const app::TCommandLine& line) {
  std::string text;
  if (line.switched) text += "switched ";
  if (line.check) text += "check ";
  if (line.recursive) text += "recursive ";
  if (line.quiet) text += "quiet ";
  if (line.json) text += "json ";
  if (line.filter) text += "filter ";
  if (line.help) text += "help ";
  if (line.version) text += "version ";
  return text;
}

TEST(CommandLine, SplitsSwitchesFilesAndOptions) {
  // clang-format off
  const struct Case {
    std::vector<std::string> args;
    std::string flags;
    std::vector<std::string> files;
    std::string options;
  } cases[] = {
      {{"a.jpg", "b c.jpg"},                 "",                         {"a.jpg", "b c.jpg"}, ""},
      {{"-rq", "--check", "pics"},           "switched check recursive quiet ", {"pics"},      ""},
      {{"--", "-x.jpg", "--check"},          "switched ",                {"-x.jpg", "--check"}, ""},
      {{"./-x.jpg"},                         "",                         {"./-x.jpg"},         ""},
      {{"-"},                                "switched filter ",         {"-"},                ""},
      {{"--keep-icc", "--no-cut", "--cut", "--no-backup", "a.jpg"}, "switched ", {"a.jpg"},
       "Keep_ICC=1 Delete_after_EOI=0 Delete_after_EOI=1 Save_Original_File=0 "},
      {{"--keep-orientation", "--jfif", "--no-app14", "--no-comment", "a.jpg"}, "switched ", {"a.jpg"},
       "Keep_Orientation=1 Write_JFIF=1 Write_APP14=0 Write_Comment=0 "},
      {{"-h"},                               "switched help ",           {},                   ""},
      {{"--version", "a.jpg"},               "switched version ",        {"a.jpg"},            ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    const app::TCommandLine line = ParseCommandLine(c.args);
    EXPECT_EQ(line.error, "") << c.args[0];
    EXPECT_EQ(flagsOf(line), c.flags) << c.args[0];
    EXPECT_EQ(line.files, c.files) << c.args[0];
    EXPECT_EQ(optionsOf(line), c.options) << c.args[0];
  }
}

TEST(CommandLine, RefusesWhatItCannotDo) {
  const std::vector<std::vector<std::string>> refused = {
      {"--help-me"},  {"-z", "a.jpg"}, {"--original-jfif"}, {"--check=1"},   {"--wave-sound", "a"},
      {"-", "a.jpg"}, {"a.jpg", "-"},  {"-r", "-"},         {"--json", "-"},
  };
  for (const auto& args : refused) {
    const app::TCommandLine line = ParseCommandLine(args);
    EXPECT_FALSE(line.error.empty()) << args[0];
    EXPECT_TRUE(line.switched) << args[0];
  }
  EXPECT_EQ(ParseCommandLine({"--check", "--json", "-"}).error, "")
      << "a check of stdin writes none";
}

TEST(CommandLine, HelpNamesEveryOptionSwitchAndTheExitStatuses) {
  const std::string help = app::UsageText("velmora");
  std::set<std::string> words;
  std::string word;
  for (const char c : help + " ") {
    if (c == ' ' || c == ',' || c == '\n') {
      words.insert(word);
      word.clear();
    } else {
      word += c;
    }
  }
  for (const std::string_view name :
       {"--keep-orientation", "--keep-icc", "--cut", "--no-cut", "--jfif", "--no-jfif", "--app14",
        "--no-app14", "--comment", "--no-comment", "--backup", "--no-backup", "--check", "--json",
        "--recursive", "--quiet", "--version", "--help"}) {
    EXPECT_TRUE(words.contains(std::string(name))) << name;
  }
  for (const char* status : {"\n  0  ", "\n  1  ", "\n  2  ", "\n  3  "})
    EXPECT_NE(help.find(status), std::string::npos) << status;
}

TEST(JsonText, EscapesControlsAndReplacesBytesThatAreNotUtf8) {
  // clang-format off
  const struct { std::string in; std::string out; } cases[] = {
      {"a.jpg",                 "\"a.jpg\""},
      {"say \"hi\"\\",          "\"say \\\"hi\\\"\\\\\""},
      {"line\nbreak\t\x1B[2J",  "\"line\\nbreak\\t\\u001b[2J\""},
      {"写真.jpg",              "\"写真.jpg\""},
      {"bad\xFF\xC0.jpg",       "\"bad\xEF\xBF\xBD\xEF\xBF\xBD.jpg\""},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(app::JsonString(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace velmora::test
