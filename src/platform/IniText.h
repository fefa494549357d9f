// Line-level reading and editing of INI text, in the manner of the Windows
// private-profile functions for what the program uses. Section and key names
// match without regard to ASCII case; only lines of the named section change,
// every other byte stays as it was (line endings included). The same code
// reads and writes the file on every platform, so that the same settings give
// the same file apart from the line ends of new lines.
//
// The rules: a line whose first non-blank character is "[" is a section
// header, its name runs to "]" (or the line's end), trimmed. Inside a section,
// any other non-blank line is an entry: the key is the text before the first
// "=" (the whole line when there is none), the value the text after it, both
// trimmed of blanks. Lines before the first header belong to no section. Of
// two sections with one name the first is read and written; erasing removes
// every one of them, so no stale copy can come to the fore.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The line end of lines the program adds: the platform's own.
#ifdef _WIN32
inline constexpr std::string_view kIniNewline = "\r\n";
#else
inline constexpr std::string_view kIniNewline = "\n";
#endif

// The value of `key` in the first section named `section`, if present.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// Removes every section named `section`: its header line and all lines up to
// the next header. True when anything was removed.
bool EraseIniSection(std::string& text, std::string_view section);

// Sets `key` in the first section named `section`: an existing entry is
// rewritten as key=value on its own line (its line ending kept); a new one is
// added after the section's last non-blank line; a missing section is added at
// the end of the text. New lines end in `newline`.
void SetIniValue(std::string& text, std::string_view section, std::string_view key,
                 std::string_view value, std::string_view newline = kIniNewline);

}  // namespace platform
