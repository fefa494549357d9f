#include "window/PictureBox.h"

#include <wx/dcbuffer.h>

#include "window/ControlTable.h"

namespace window {

TPictureBox::TPictureBox(wxWindow* parent, const wxPoint& position, const wxSize& size,
                         wxImage picture)
    : wxWindow(parent, wxID_ANY, position, size, wxBORDER_NONE), picture_(std::move(picture)) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &TPictureBox::onPaint, this);
  Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    rescale();
    Refresh();
    event.Skip();
  });
  rescale();
}

void TPictureBox::rescale() {
  if (!picture_.IsOk()) return;
  const wxSize box = GetClientSize();
  const TSizePx fit = FitKeepingAspect({picture_.GetWidth(), picture_.GetHeight()},
                                       {box.GetWidth(), box.GetHeight()});
  if (fit.width <= 0 || fit.height <= 0) {
    scaled_ = wxBitmap();
  } else if (!scaled_.IsOk() || scaled_.GetWidth() != fit.width ||
             scaled_.GetHeight() != fit.height) {
    scaled_ = wxBitmap(picture_.Scale(fit.width, fit.height, wxIMAGE_QUALITY_HIGH));
  }
}

void TPictureBox::onPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
  dc.Clear();
  if (scaled_.IsOk()) dc.DrawBitmap(scaled_, 0, 0, true);
}

}  // namespace window
