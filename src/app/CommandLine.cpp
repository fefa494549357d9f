#include "app/CommandLine.h"

#include <array>

#include "app/Options.h"
#include "platform/PlatformTexts.h"
#include "platform/Translation.h"

namespace app {
namespace {

// The switches that are not options of the settings; those come from
// kSettingsRows, one row each.
struct TSwitchRow {
  char letter;  // 0: none
  std::string_view name;
  bool TCommandLine::*field;
  std::string_view help;
};

// clang-format off
constexpr std::array<TSwitchRow, 6> kSwitches{{
    {'h', "help",      &TCommandLine::help,      Tx("show this text and end")},
    {'V', "version",   &TCommandLine::version,   Tx("show the program's version and end")},
    {0,   "check",     &TCommandLine::check,     Tx("write nothing; name per file what would be removed")},
    {'r', "recursive", &TCommandLine::recursive, Tx("take the JPEG files below folders named")},
    {'q', "quiet",     &TCommandLine::quiet,     Tx("no trace lines: errors and the closing line only")},
    {0,   "json",      &TCommandLine::json,      Tx("one JSON object per file, and a summary, on standard output")},
}};
// clang-format on

bool takeLong(std::string_view name, TCommandLine& line) {
  for (const TSwitchRow& row : kSwitches) {
    if (row.name == name) {
      line.*row.field = true;
      return true;
    }
  }
  const bool negated = name.starts_with("no-");
  const std::string_view option = negated ? name.substr(3) : name;
  for (size_t row = 0; row < kSettingsRows.size(); ++row) {
    if (!kSettingsRows[row].switchName.empty() && kSettingsRows[row].switchName == option) {
      line.options.push_back({row, !negated});
      return true;
    }
  }
  return false;
}

bool takeLetter(char letter, TCommandLine& line) {
  for (const TSwitchRow& row : kSwitches) {
    if (row.letter != 0 && row.letter == letter) {
      line.*row.field = true;
      return true;
    }
  }
  return false;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine line;
  bool switches = true;
  for (const std::string& arg : args) {
    if (!switches || arg.size() < 2 || arg[0] != '-') {
      if (arg == "-" && switches) line.switched = true;
      line.files.push_back(arg);
      continue;
    }
    line.switched = true;
    if (arg == "--") {
      switches = false;
    } else if (arg[1] == '-') {
      if (!takeLong(std::string_view(arg).substr(2), line) && line.error.empty())
        line.error = platform::FormatText(Tx("unknown switch %s"), {arg});
    } else {
      // Letters may be bundled: -rq.
      for (size_t i = 1; i < arg.size(); ++i) {
        if (!takeLetter(arg[i], line) && line.error.empty())
          line.error = platform::FormatText(Tx("unknown switch %s"), {std::string{'-', arg[i]}});
      }
    }
  }
  line.filter = line.files.size() == 1 && line.files[0] == "-" && line.switched;
  if (!line.error.empty() || line.help || line.version) return line;
  bool stdinNamed = false;
  for (const std::string& file : line.files) stdinNamed |= file == "-";
  if (stdinNamed && !line.filter)
    line.error = platform::Tr(Tx("- (standard input) must be the only file"));
  else if (line.filter && line.json && !line.check)
    line.error = platform::Tr(Tx("--json writes to standard output, where - writes the picture"));
  else if (line.filter && line.recursive)
    line.error = platform::Tr(Tx("--recursive has no folder to walk with -"));
  return line;
}

std::string UsageText(std::string_view program) {
  const std::string name(program);
  std::string text = platform::FormatText(Tx("Usage: %s [switches] [--] FILE...\n"
                                             "       %s [switches] - < in.jpg > out.jpg\n\n"
                                             "Removes metadata from JPEG files in place. Without "
                                             "switches, with a display,\n"
                                             "the window shows the work; any switch makes a "
                                             "console run.\n\n"),
                                          {name, name});
  // The texts are in the user's language; the switches and statuses before
  // them stay, so the columns hold in any language.
  const auto add = [&text](std::string flags, std::string_view help, size_t column) {
    flags = "  " + flags;
    // A long name gets a line of its own.
    if (flags.size() >= column) flags += "\n";
    const size_t lineStart = flags.rfind('\n') + 1;
    flags.resize(lineStart + column, ' ');
    text += flags;
    for (const char c : help) {
      text += c;
      if (c == '\n') text += std::string(column, ' ');
    }
    text += '\n';
  };
  constexpr size_t kColumn = 26;
  for (const TSwitchRow& row : kSwitches) {
    std::string flags = row.letter != 0 ? std::string("-") + row.letter + ", " : "    ";
    add(flags + "--" + std::string(row.name), platform::Tr(row.help), kColumn);
  }
  text += "\n";
  text +=
      platform::Tr(Tx("Options for this run only, over the settings file (which stays as it is):"));
  text += "\n";
  for (const TSettingsRow& row : kSettingsRows) {
    if (row.switchName.empty()) continue;
    std::string flags = "--";
    flags.append(row.switchName).append(", --no-").append(row.switchName);
    std::string help(platform::Tr(row.help));
    help.append(" (").append(row.key).append(")");
    add(flags, help, kColumn);
  }
  text += "\n";
  add("-",
      platform::Tr(Tx("read standard input, write the stripped bytes to standard\n"
                      "output; trace lines go to standard error")),
      kColumn);
  add("--", platform::Tr(Tx("the arguments after it are files, even when they begin with -")),
      kColumn);
  text += "\n";
  text += platform::Tr(Tx("Exit status:"));
  text += "\n";
  constexpr size_t kStatusColumn = 5;
  add("0", platform::Tr(Tx("every file written or already clean (--check: every file clean)")),
      kStatusColumn);
  add("1",
      platform::Tr(Tx("some file was not (--check: some file holds something to remove, or "
                      "could not\nbe read, or is damaged), or an error stopped the batch")),
      kStatusColumn);
  add("2", platform::Tr(Tx("no files named, or a wrong command line")), kStatusColumn);
  add("3", platform::Tr(Tx("another copy is running and nothing was done")), kStatusColumn);
  return text;
}

}  // namespace app
