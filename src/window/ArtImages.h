// The embedded picture and icon as toolkit images.
#pragma once

#include <wx/iconbndl.h>
#include <wx/image.h>

namespace window {

wxImage PictureImage();
// The window icon: 16, 32, 48 and 256 pixels.
wxIconBundle WindowIcons();

}  // namespace window
