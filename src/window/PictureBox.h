// Image1: a picture drawn at the largest size of its own aspect ratio that
// fits the box, at the box's top-left corner; the rest shows the background.
#pragma once

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/window.h>

namespace window {

class TPictureBox : public wxWindow {
 public:
  TPictureBox(wxWindow* parent, const wxPoint& position, const wxSize& size, wxImage picture);

  // The size the picture is drawn at.
  // A picture, not a stop of the tab order.
  bool AcceptsFocus() const override { return false; }

  wxSize DrawnSize() const { return scaled_.IsOk() ? scaled_.GetSize() : wxSize(0, 0); }

 private:
  void rescale();
  void onPaint(wxPaintEvent& event);

  wxImage picture_;
  wxBitmap scaled_;
};

}  // namespace window
