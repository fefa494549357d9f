#include "window/ToolkitLanguage.h"

#include <wx/translation.h>
#include <wx/uilocale.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/Translation.h"
#include "window/TextConversion.h"

namespace window {
namespace {

#ifndef __WXMSW__
// The toolkit keeps the process in the "C" locale, where GTK's own texts
// stay English. File names are unaffected: the toolkit converts them as
// UTF-8 whatever the locale says.
void useSystemLocale(std::string_view language) {
  if (std::setlocale(LC_ALL, "") == nullptr) return;  // a locale not installed: "C" stays
  std::setlocale(LC_NUMERIC, "C");
  const char* messages = std::setlocale(LC_MESSAGES, nullptr);
  if (messages == nullptr || platform::LanguageOfLocale(messages) == language) return;
  // The messages of another language than the desktop's: the C library reads
  // catalogs by LANGUAGE under any locale but plain "C", so a Japanese
  // program on an English desktop gets GTK's Japanese texts, and an English
  // one on a German desktop none of its German ones.
  if (std::setlocale(LC_MESSAGES, "C.UTF-8") == nullptr) {
    std::setlocale(LC_MESSAGES, "C");
    return;
  }
  setenv("LANGUAGE", std::string(language).c_str(), 1);
}
#endif

}  // namespace

void UseToolkitLanguage(std::string_view language) {
#ifndef __WXMSW__
  useSystemLocale(language);
#endif
  const wxLanguageInfo* info = wxUILocale::FindLanguageInfo(ToWx(language));
  auto* translations = new wxTranslations;  // owned by the toolkit once set
  translations->SetLanguage(info != nullptr ? static_cast<wxLanguage>(info->Language)
                                            : wxLANGUAGE_ENGLISH);
#ifdef __WXMSW__
  // The one exe carries the catalog among its resources.
  translations->SetLoader(new wxResourceTranslationsLoader);
#endif
  translations->AddStdCatalog();
  wxTranslations::Set(translations);
}

}  // namespace window
