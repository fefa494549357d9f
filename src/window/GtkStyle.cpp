#include "window/GtkStyle.h"

#include <wx/toplevel.h>

#ifdef __WXGTK__
#include "window/GtkFunction.h"
#endif

namespace window {

#ifdef __WXGTK__
namespace {

// The theme's paddings are made for larger controls than the designed ones
// (a 17-pixel check box, a 49 x 22 number field): without this GTK clips the
// number field's buttons and warns on every start. In the number field the
// two buttons' signs are drawn smaller with a line between them, so that
// they read as two buttons beside the number.
constexpr char kCss[] = R"css(
#velmora-main checkbutton { padding: 0; min-height: 0; }
#velmora-main checkbutton check { min-width: 13px; min-height: 13px; margin: 0 4px 0 0; padding: 0; }
#velmora-main spinbutton { padding: 0; min-width: 0; min-height: 0; }
#velmora-main spinbutton entry { min-width: 0; min-height: 0; margin: 0; padding: 0 0 0 1px; }
#velmora-main spinbutton button { min-width: 0; min-height: 0; margin: 0; padding: 0; border-width: 0; -gtk-icon-transform: scale(0.7); }
#velmora-main spinbutton button:last-child { box-shadow: inset 1px 0 alpha(currentColor, 0.3); }
)css";

}  // namespace

void ApplyCompactStyle(wxTopLevelWindow* window) {
  using TNew = void* (*)();
  using TLoad = int (*)(void*, const char*, long, void**);
  using TScreen = void* (*)();
  using TAddProvider = void (*)(void*, void*, unsigned);
  using TSetName = void (*)(void*, const char*);
  using TUnref = void (*)(void*);
  constexpr unsigned kPriorityApplication = 600;  // GTK_STYLE_PROVIDER_PRIORITY_APPLICATION

  const auto newProvider = GtkFunction<TNew>("gtk_css_provider_new");
  const auto load = GtkFunction<TLoad>("gtk_css_provider_load_from_data");
  const auto screen = GtkFunction<TScreen>("gdk_screen_get_default");
  const auto addProvider = GtkFunction<TAddProvider>("gtk_style_context_add_provider_for_screen");
  const auto setName = GtkFunction<TSetName>("gtk_widget_set_name");
  const auto unref = GtkFunction<TUnref>("g_object_unref");
  if (!newProvider || !load || !screen || !addProvider || !setName || !unref) return;

  setName(window->GetHandle(), "velmora-main");
  static bool installed = false;  // one provider serves every window
  if (installed || screen() == nullptr) return;
  void* provider = newProvider();
  if (load(provider, kCss, -1, nullptr)) {
    addProvider(screen(), provider, kPriorityApplication);
    installed = true;
  }
  unref(provider);
}
#else
void ApplyCompactStyle(wxTopLevelWindow*) {}
#endif

}  // namespace window
