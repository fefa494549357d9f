#include "app/CommandLine.h"

#include <array>

#include "app/Options.h"

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
    {'h', "help",      &TCommandLine::help,      "show this text and end"},
    {'V', "version",   &TCommandLine::version,   "show the program's version and end"},
    {0,   "check",     &TCommandLine::check,     "write nothing; name per file what would be removed"},
    {'r', "recursive", &TCommandLine::recursive, "take the JPEG files below folders named"},
    {'q', "quiet",     &TCommandLine::quiet,     "no trace lines: errors and the closing line only"},
    {0,   "json",      &TCommandLine::json,      "one JSON object per file, and a summary, on standard output"},
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
        line.error = "unknown switch " + arg;
    } else {
      // Letters may be bundled: -rq.
      for (size_t i = 1; i < arg.size(); ++i) {
        if (!takeLetter(arg[i], line) && line.error.empty())
          line.error = "unknown switch -" + std::string(1, arg[i]);
      }
    }
  }
  line.filter = line.files.size() == 1 && line.files[0] == "-" && line.switched;
  if (!line.error.empty() || line.help || line.version) return line;
  bool stdinNamed = false;
  for (const std::string& file : line.files) stdinNamed |= file == "-";
  if (stdinNamed && !line.filter)
    line.error = "- (standard input) must be the only file";
  else if (line.filter && line.json && !line.check)
    line.error = "--json writes to standard output, where - writes the picture";
  else if (line.filter && line.recursive)
    line.error = "--recursive has no folder to walk with -";
  return line;
}

std::string UsageText(std::string_view program) {
  const std::string name(program);
  std::string text =
      "Usage: " + name + " [switches] [--] FILE...\n" + "       " + name +
      " [switches] - < in.jpg > out.jpg\n\n"
      "Removes metadata from JPEG files in place. Without switches, with a display,\n"
      "the window shows the work; any switch makes a console run.\n\n";
  const auto add = [&text](std::string flags, std::string_view help) {
    constexpr size_t kColumn = 26;
    flags = "  " + flags;
    // A long name gets a line of its own.
    if (flags.size() >= kColumn) flags += "\n";
    const size_t lineStart = flags.rfind('\n') + 1;
    flags.resize(lineStart + kColumn, ' ');
    text += flags + std::string(help) + '\n';
  };
  for (const TSwitchRow& row : kSwitches) {
    std::string flags = row.letter != 0 ? std::string("-") + row.letter + ", " : "    ";
    add(flags + "--" + std::string(row.name), row.help);
  }
  text += "\nOptions for this run only, over the settings file (which stays as it is):\n";
  for (const TSettingsRow& row : kSettingsRows) {
    if (row.switchName.empty()) continue;
    std::string flags = "--";
    flags.append(row.switchName).append(", --no-").append(row.switchName);
    std::string help(row.help);
    help.append(" (").append(row.key).append(")");
    add(flags, help);
  }
  text +=
      "\n  -                       read standard input, write the stripped bytes to standard\n"
      "                          output; trace lines go to standard error\n"
      "  --                      the arguments after it are files, even when they begin with -\n"
      "\nExit status:\n"
      "  0  every file written or already clean (--check: every file clean)\n"
      "  1  some file was not (--check: some file holds something to remove, or could not\n"
      "     be read, or is damaged), or an error stopped the batch\n"
      "  2  no files named, or a wrong command line\n"
      "  3  another copy is running and nothing was done\n";
  return text;
}

}  // namespace app
