// The language the program speaks. Its texts are written in English where
// they are defined, marked with Tx() so that the catalog check finds them,
// and looked up with Tr() where they are shown. A language without a catalog
// is English.
//
// One small reader of our own serves the console and the window alike: the
// console run loads no toolkit, and the catalogs live inside the program, on
// Windows inside the one exe. The window also sets the toolkit's language
// for its own texts (window/ToolkitLanguage.h).
#pragma once

#include <string>
#include <string_view>

#include "engine/TextMark.h"

namespace platform {

using ExifData::Tx;

// Chooses the language by its code ("ja", "en"); an unknown one gives English.
void UseLanguage(std::string_view code);
// The language chosen: "en", or the code of a catalog of the program.
std::string_view Language();
// The text in the chosen language: its translation, else the text itself.
std::string_view Tr(std::string_view english);

// The language code of a locale name or a language setting: "ja_JP.UTF-8",
// "ja-JP" and "ja" give "ja"; "C" and "POSIX" give "en"; empty gives empty.
std::string LanguageOfLocale(std::string_view name);
// The language of the user's system: Linux looks at LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG in that order; Windows at the user's UI language.
std::string SystemLanguage();

}  // namespace platform
