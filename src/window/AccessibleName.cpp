#include "window/AccessibleName.h"

#include <wx/window.h>

#include <string>

#ifdef __WXGTK__
#include "window/GtkFunction.h"
#endif

namespace window {

#ifdef __WXGTK__
namespace {

// The widget that takes the focus: a multi-line text is a text view inside a
// scrolled window; the others are their own widget.
void* focusWidget(wxWindow* control) {
  using TIsA = int (*)(void*, unsigned long);
  using TType = unsigned long (*)();
  using TChild = void* (*)(void*);
  void* widget = control->GetHandle();
  const auto isA = GtkFunction<TIsA>("g_type_check_instance_is_a");
  const auto scrolledType = GtkFunction<TType>("gtk_scrolled_window_get_type");
  const auto child = GtkFunction<TChild>("gtk_bin_get_child");
  if (widget != nullptr && isA != nullptr && scrolledType != nullptr && child != nullptr &&
      isA(widget, scrolledType()) != 0) {
    if (void* inner = child(widget)) return inner;
  }
  return widget;
}

void* accessibleOf(wxWindow* control) {
  using TAccessible = void* (*)(void*);
  const auto accessible = GtkFunction<TAccessible>("gtk_widget_get_accessible");
  void* widget = focusWidget(control);
  return accessible != nullptr && widget != nullptr ? accessible(widget) : nullptr;
}

}  // namespace

void SetAccessibleName(wxWindow* control, std::string_view utf8) {
  using TSetName = void (*)(void*, const char*);
  const auto setName = GtkFunction<TSetName>("atk_object_set_name");
  if (void* object = accessibleOf(control); object != nullptr && setName != nullptr)
    setName(object, std::string(utf8).c_str());
}

std::string AccessibleNameOf(wxWindow* control) {
  using TGetName = const char* (*)(void*);
  const auto getName = GtkFunction<TGetName>("atk_object_get_name");
  void* object = accessibleOf(control);
  const char* name = object != nullptr && getName != nullptr ? getName(object) : nullptr;
  return name != nullptr ? name : "";
}
#else
// The toolkit is built without its accessibility support there.
void SetAccessibleName(wxWindow*, std::string_view) {}

std::string AccessibleNameOf(wxWindow*) { return ""; }
#endif

}  // namespace window
