#include "window/ScrollBars.h"

#include <wx/textctrl.h>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

namespace window {

#ifdef __WXGTK__
// wx has no always-on scroll bar style for the GTK text control, whose outer
// widget is a GtkScrolledWindow. GTK's headers are not a build dependency, so
// the two setters are looked up in the already loaded GTK library.
void ShowScrollBarsAlways(wxTextCtrl* text) {
  constexpr int kPolicyAlways = 0;  // GTK_POLICY_ALWAYS
  using TSetPolicy = void (*)(void*, int, int);
  using TSetOverlay = void (*)(void*, int);
  void* scrolled = text->GetHandle();
  if (auto setPolicy =
          reinterpret_cast<TSetPolicy>(dlsym(RTLD_DEFAULT, "gtk_scrolled_window_set_policy")))
    setPolicy(scrolled, kPolicyAlways, kPolicyAlways);
  if (auto setOverlay = reinterpret_cast<TSetOverlay>(
          dlsym(RTLD_DEFAULT, "gtk_scrolled_window_set_overlay_scrolling")))
    setOverlay(scrolled, 0);
}
#else
// Elsewhere the control's wxALWAYS_SHOW_SB style does it.
void ShowScrollBarsAlways(wxTextCtrl*) {}
#endif

}  // namespace window
