#include "window/TextDrops.h"

#include <wx/dnd.h>
#include <wx/textctrl.h>

#include <algorithm>

#ifdef __WXGTK__
#include "window/GtkFunction.h"
#endif

namespace window {

#ifdef __WXGTK__
namespace {

using TStop = void (*)(void*, const char*);
TStop stopEmission = nullptr;

// "drag-motion" and "drag-drop" of the text view: not for us, and the view's
// own handler is not run, so GTK offers the drag to the window below.
int refuseDrag(void* view, void*, int, int, unsigned, void*) {
  stopEmission(view, "drag-motion");
  return 0;
}
int refuseDrop(void* view, void*, int, int, unsigned, void*) {
  stopEmission(view, "drag-drop");
  return 0;
}

}  // namespace

// The view stays a drop target (it resets its list of accepted kinds when
// its text changes, and GTK warns about that on a widget that is none), but
// it answers every drag with "not here".
void LeaveDropsToWindow(wxTextCtrl* text, wxWindow*) {
  using TChild = void* (*)(void*);
  using TCallback = void (*)();
  using TConnect = unsigned long (*)(void*, const char*, TCallback, void*, void*, int);
  const auto child = GtkFunction<TChild>("gtk_bin_get_child");
  const auto connect = GtkFunction<TConnect>("g_signal_connect_data");
  stopEmission = GtkFunction<TStop>("g_signal_stop_emission_by_name");
  if (child == nullptr || connect == nullptr || stopEmission == nullptr) return;
  // The multi-line control is a scrolled window around the text view.
  void* view = child(text->GetHandle());
  if (view == nullptr) return;
  connect(view, "drag-motion", reinterpret_cast<TCallback>(&refuseDrag), nullptr, nullptr, 0);
  connect(view, "drag-drop", reinterpret_cast<TCallback>(&refuseDrop), nullptr, nullptr, 0);
}
#else
namespace {

// Files dropped on the pane reach the window as if dropped on it.
class TForwardingDropTarget : public wxFileDropTarget {
 public:
  explicit TForwardingDropTarget(wxWindow* window) : window_(window) {}

  bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) override {
    auto* files = new wxString[names.size()];  // the event owns and frees the array
    std::copy(names.begin(), names.end(), files);
    wxDropFilesEvent event(wxEVT_DROP_FILES, static_cast<int>(names.size()), files);
    event.SetEventObject(window_);
    return window_->HandleWindowEvent(event);
  }

 private:
  wxWindow* window_;
};

}  // namespace

void LeaveDropsToWindow(wxTextCtrl* text, wxWindow* window) {
  text->SetDropTarget(new TForwardingDropTarget(window));
}
#endif

}  // namespace window
