// Both scroll bars of a multi-line text control shown at all times, as
// classic bars rather than overlay bars that appear only under the pointer.
#pragma once

class wxTextCtrl;

namespace window {

void ShowScrollBarsAlways(wxTextCtrl* text);

}  // namespace window
