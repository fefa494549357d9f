#include "app/Language.h"

#include <algorithm>

#include "app/Options.h"
#include "app/Texts.h"
#include "engine/PathRules.h"
#include "platform/AppData.h"
#include "platform/IniFile.h"
#include "platform/Translation.h"

namespace app {

std::string LanguageSetting(std::string_view value) {
  const size_t start = value.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  value = value.substr(start, value.find_last_not_of(" \t") - start + 1);
  // A code such as "ja" or "ja_JP": plain ASCII, so the settings file stays so.
  constexpr size_t kLongest = 32;
  const bool code = value.size() <= kLongest && std::all_of(value.begin(), value.end(), [](char c) {
                      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '_' || c == '-';
                    });
  return code ? std::string(value) : std::string();
}

std::string ChosenLanguage(const std::string& settingsFile) {
  const platform::TIniFile ini(settingsFile);
  const std::string key(kSettingsRows[SettingsRow("Language")].key);
  const std::string setting =
      LanguageSetting(ini.ReadString(std::string(texts::kSettingsSection), key, ""));
  return platform::LanguageOfLocale(setting.empty() ? platform::SystemLanguage() : setting);
}

std::string_view UseChosenLanguage(std::string_view exePath, std::string_view appDataFolder) {
  platform::UseLanguage(ChosenLanguage(SettingsFolder(appDataFolder) + SettingsFileName(exePath)));
  return platform::Language();
}

std::string SettingsFolder(std::string_view appDataFolder) {
  return platform::SubfolderPath(appDataFolder, texts::kSettingsFolder);
}

std::string SettingsFileName(std::string_view exePath) {
  return ExifData::ReplaceExtension(ExifData::FileNameOf(exePath), texts::kSettingsExtension, "");
}

}  // namespace app
