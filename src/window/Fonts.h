// The window's fonts: the designed faces when installed, else the nearest
// installed face of the same kind.
#pragma once

#include <wx/font.h>

namespace window {

// "Tahoma", 11 px, for every control but the log pane.
wxFont ControlFont();
// The log pane's fixed-pitch face with Japanese glyphs, 13 px.
wxFont MemoFont();

}  // namespace window
