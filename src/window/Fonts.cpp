#include "window/Fonts.h"

#include <wx/dcscreen.h>
#include <wx/fontenum.h>

#include <initializer_list>

#include "window/TextConversion.h"

namespace window {
namespace {

// A character height of `pixels` (the em, without the line gap above it) in
// the first installed face of `faces`, else in the toolkit's face of `family`.
// The toolkit's own pixel sizes mean the whole line height, which would come
// out two or three points smaller, so the size is given in points.
wxFont pixelFont(int pixels, std::initializer_list<const char*> faces, wxFontFamily family) {
  const int ppi = wxScreenDC().GetPPI().GetHeight();
  const double points = pixels * 72.0 / (ppi > 0 ? ppi : 96);
  for (const char* face : faces) {
    const wxString name = ToWx(face);
    if (wxFontEnumerator::IsValidFacename(name)) return wxFont(wxFontInfo(points).FaceName(name));
  }
  return wxFont(wxFontInfo(points).Family(family));
}

}  // namespace

wxFont ControlFont() {
  // Without Tahoma, a proportional Japanese face keeps the Japanese captions
  // within their designed widths; a Latin face would take them from a wider
  // fallback font.
  return pixelFont(
      11, {"Tahoma", "IPAPGothic", "IPA Pゴシック", "DejaVu Sans Condensed", "DejaVu Sans"},
      wxFONTFAMILY_SWISS);
}

wxFont MemoFont() {
  // Fixed pitch and Japanese glyphs both matter: the log holds file names.
  return pixelFont(13,
                   {"ＭＳ ゴシック", "MS Gothic", "IPAGothic", "IPAゴシック",
                    "Noto Sans Mono CJK JP", "VL Gothic", "TakaoGothic"},
                   wxFONTFAMILY_TELETYPE);
}

}  // namespace window
