// Drops on the log pane belong to the window, like drops anywhere else on it.
#pragma once

class wxTextCtrl;
class wxWindow;

namespace window {

// Makes drops on `text` reach the window that holds it. On GTK the text view
// is a drop target of its own (for dragged text): it took the first drop of
// files, put its caret where the drop was, and left later drops unanswered,
// so it now refuses every drag and the window's target below it takes it.
void LeaveDropsToWindow(wxTextCtrl* text, wxWindow* window);

}  // namespace window
