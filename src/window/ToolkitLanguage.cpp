#include "window/ToolkitLanguage.h"

#include <wx/translation.h>
#include <wx/uilocale.h>

#include "window/TextConversion.h"

namespace window {

void UseToolkitLanguage(std::string_view language) {
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
