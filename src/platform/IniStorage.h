// The two things the settings file needs of each platform: read a file whole,
// and replace its content in one crash-safe step.
#pragma once

#include <string>

namespace platform::ini {

enum class TReadOutcome { Read, Absent, Unreadable };

// Appends the file's bytes to `into`. Absent: nothing is there (or a folder of
// the path is missing); Unreadable: something is there that could not be read,
// `into` is then empty.
TReadOutcome ReadWhole(const std::string& path, std::string& into);

// Replaces the file's content with `text` as SaveFileAtomically does. False
// when refused; throws EIniNotOwned when the place is another user's.
bool ReplaceWhole(const std::string& path, const std::string& text);

}  // namespace platform::ini
