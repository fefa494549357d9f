#include "window/ArtImages.h"

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/mstream.h>

#include <span>

#include "art/Art.h"

namespace window {
namespace {

wxImage pngImage(std::span<const unsigned char> png) {
  if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
  wxMemoryInputStream stream(png.data(), png.size());
  return wxImage(stream, wxBITMAP_TYPE_PNG);
}

}  // namespace

wxImage PictureImage() { return pngImage(art::PicturePng()); }

wxIconBundle WindowIcons() {
  wxIconBundle icons;
  for (auto png : {art::Icon16Png(), art::Icon32Png(), art::Icon48Png(), art::Icon64Png(),
                   art::Icon128Png(), art::Icon256Png()}) {
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(pngImage(png)));
    icons.AddIcon(icon);
  }
  return icons;
}

}  // namespace window
