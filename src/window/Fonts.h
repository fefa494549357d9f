// The window's fonts: the designed faces when installed, else the nearest
// installed face of the same kind.
#pragma once

#include <wx/font.h>

namespace window {

// How much larger than at 96 dpi the toolkit draws text (a larger font
// setting or text scale of the desktop): the layout grows by as much.
double TextScale();

// "Tahoma", 11 px at 96 dpi, for every control but the log pane.
wxFont ControlFont();
// The log pane's fixed-pitch face with Japanese glyphs, 13 px at 96 dpi.
wxFont MemoFont();

}  // namespace window
