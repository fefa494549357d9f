#include "window/TextDrops.h"

#include <wx/dnd.h>
#include <wx/textctrl.h>

#include <algorithm>

#ifdef __WXGTK__
#include "window/GtkFunction.h"
#endif

namespace window {

#ifdef __WXGTK__
void LeaveDropsToWindow(wxTextCtrl* text, wxWindow*) {
  using TChild = void* (*)(void*);
  using TUnset = void (*)(void*);
  const auto child = GtkFunction<TChild>("gtk_bin_get_child");
  const auto unset = GtkFunction<TUnset>("gtk_drag_dest_unset");
  if (child == nullptr || unset == nullptr) return;
  // The multi-line control is a scrolled window around the text view.
  if (void* view = child(text->GetHandle())) unset(view);
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
