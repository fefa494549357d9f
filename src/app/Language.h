// Which language the program speaks: the settings key "Language" when it
// names one ("en", "ja"), else the user's system language. Chosen while the
// program starts, before anything is shown or printed, by the console and by
// the window alike.
#pragma once

#include <string>
#include <string_view>

namespace app {

// The language code a "Language" value names; empty (follow the system) for
// an empty value or one that is no language code. Written back as it reads.
std::string LanguageSetting(std::string_view value);

// The language for the settings file at `settingsFile` (which may be absent).
std::string ChosenLanguage(const std::string& settingsFile);

// Chooses the language of the program's settings file for this process and
// returns its code ("en" when no catalog has it).
std::string_view UseChosenLanguage(std::string_view exePath, std::string_view appDataFolder);

// Where the settings live: the folder (ending in a separator) and the name.
std::string SettingsFolder(std::string_view appDataFolder);
std::string SettingsFileName(std::string_view exePath);

}  // namespace app
