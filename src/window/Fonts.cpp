#include "window/Fonts.h"

#include <wx/dcscreen.h>
#include <wx/fontenum.h>

#include <initializer_list>

#include "window/TextConversion.h"

#ifdef __WXGTK__
#include "window/GtkFunction.h"
#endif

namespace window {
namespace {

// A character height of `pixels` (the em, without the line gap above it) in
// the first installed face of `faces`, else in the toolkit's face of `family`.
// The toolkit's own pixel sizes mean the whole line height, which would come
// out two or three points smaller, so the size is given in points.
wxFont pixelFont(int pixels, std::initializer_list<const char*> faces, wxFontFamily family) {
#ifdef __WXGTK__
  // GTK lays text out at its own resolution, 96 dpi times the desktop's
  // text scale (TextScale), in pixels that its scale factor already covers.
  const int ppi = 96;
#else
  const int ppi = wxScreenDC().GetPPI().GetHeight();
#endif
  const double points = pixels * 72.0 / (ppi > 0 ? ppi : 96);
  for (const char* face : faces) {
    const wxString name = ToWx(face);
    if (wxFontEnumerator::IsValidFacename(name)) return wxFont(wxFontInfo(points).FaceName(name));
  }
  return wxFont(wxFontInfo(points).Family(family));
}

}  // namespace

double TextScale() {
#ifdef __WXGTK__
  using TDefault = void* (*)();
  using TResolution = double (*)(void*);
  const auto screen = GtkFunction<TDefault>("gdk_screen_get_default");
  const auto resolution = GtkFunction<TResolution>("gdk_screen_get_resolution");
  void* display = screen != nullptr ? screen() : nullptr;
  const double dpi = display != nullptr && resolution != nullptr ? resolution(display) : -1;
  return dpi > 96 ? dpi / 96 : 1.0;  // -1: not set, the default
#else
  return 1.0;
#endif
}

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
