// Lets the toolkit's controls keep the window's designed 96-dpi sizes.
#pragma once

class wxTopLevelWindow;

namespace window {

// Scoped to `window` and its controls; dialogs keep the desktop's look.
void ApplyCompactStyle(wxTopLevelWindow* window);

}  // namespace window
