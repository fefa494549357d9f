#include "platform/Translation.h"

#include <algorithm>

#include "platform/EmbeddedCatalogs.h"
#include "platform/MoCatalog.h"

namespace platform {
namespace {

// Chosen once while the program starts, before any text is shown, and then
// only read.
struct TChosen {
  std::string language = "en";
  TMoCatalog catalog;
};

TChosen& chosen() {
  static TChosen state;
  return state;
}

}  // namespace

void UseLanguage(std::string_view code) {
  const std::string language = LanguageOfLocale(code);
  const std::span<const unsigned char> bytes = EmbeddedCatalog(language);
  TMoCatalog catalog(bytes);
  TChosen& state = chosen();
  if (catalog.Empty()) {
    state = TChosen{};
    return;
  }
  state.language = language;
  state.catalog = catalog;
}

std::string_view Language() { return chosen().language; }

std::string_view Tr(std::string_view english) {
  return chosen().catalog.Find(english).value_or(english);
}

std::string LanguageOfLocale(std::string_view name) {
  // language[_territory][.codeset][@modifier], or a tag such as "ja-JP".
  const size_t end = std::min(name.find_first_of("_-.@"), name.size());
  std::string language(name.substr(0, end));
  std::transform(language.begin(), language.end(), language.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
  if (language == "c" || language == "posix") return "en";
  return language;
}

}  // namespace platform
