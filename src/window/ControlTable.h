// The main window's controls in one table, in creation order (which is also
// the stacking order: a later control lies above an earlier one). Rectangles
// are pixels at 96 dpi in the 376 x 551 client area the window is designed for,
// and fit the Japanese texts; longer texts of another language widen the window.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "platform/Translation.h"

namespace window {

using platform::Tx;

inline constexpr int kDesignClientWidth = 376;
inline constexpr int kDesignClientHeight = 551;

enum class TKind { Picture, Label, Button, Memo, CheckBox, SpinEdit };

// The client-area edges whose distance a control keeps when the window is
// resized; a control anchored to two opposite edges stretches.
enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

struct TRectPx {
  int left, top, width, height;
  friend bool operator==(const TRectPx&, const TRectPx&) = default;
};

inline constexpr int kNoTabStop = -1;

struct TControlRow {
  std::string_view name;
  TKind kind;
  TRectPx rect;
  unsigned anchors;
  std::string_view text;  // UTF-8; shown in the user's language when marked Tx
  int tabOrder;
  bool visible;
};

inline constexpr unsigned kLeftTop = akLeft | akTop;
inline constexpr unsigned kAll = akLeft | akTop | akRight | akBottom;

// The check boxes come in the order of the check-box rows of the option table.
// clang-format off
inline constexpr std::array<TControlRow, 12> kControls{{
    {"Image1",         TKind::Picture,  {256,  16, 112, 137}, akTop | akRight,    "",                              kNoTabStop, true},
    {"LabelFileName",  TKind::Label,    {126,   8,  68,  13}, kLeftTop,           "LabelFileName",                 kNoTabStop, true},
    {"LabelVersion",   TKind::Label,    { 32, 526, 119,  13}, akLeft | akBottom,  "LabelVersion",                  kNoTabStop, true},
    {"LabelSound",     TKind::Label,    {270, 118,  36,  13}, akTop | akRight,    Tx("Chime"),                     kNoTabStop, false},
    {"ButtonLoad",     TKind::Button,   { 32,   8,  75,  25}, kLeftTop,           Tx("Load picture"),              0,          true},
    {"Memo1",          TKind::Memo,     { 16, 152, 345, 360}, kAll,               "Memo1",                         6,          true},
    {"ButtonClose",    TKind::Button,   {270, 518,  75,  25}, akRight | akBottom, Tx("Close"),                     7,          true},
    {"CheckBoxJFIF",   TKind::CheckBox, { 48,  48, 129,  17}, kLeftTop,           Tx("Write a fresh JFIF header"), 1,          true},
    {"CheckBoxEOI",    TKind::CheckBox, { 48,  71, 113,  17}, kLeftTop,           Tx("Remove data after the end of the image (also motion-photo video, HDR gain maps)"), 2, true},
    {"CheckBoxRename", TKind::CheckBox, { 48,  94, 161,  17}, kLeftTop,           Tx("Keep a backup copy of the original (it keeps all metadata)"), 3, true},
    {"SpinEditSound",  TKind::SpinEdit, {312, 115,  49,  22}, akTop | akRight,    "0",                             5,          false},
    {"CheckBoxAdobe",  TKind::CheckBox, { 48, 117, 178,  17}, kLeftTop,           Tx("Keep the Adobe APP14 segment (colours of CMYK files)"), 4, true},
}};
// clang-format on

// The row of `name`, checked while compiling where the window uses it.
consteval size_t ControlRow(std::string_view name) {
  for (size_t row = 0; row < kControls.size(); ++row)
    if (kControls[row].name == name) return row;
  throw "no such control";
}

// Where a control designed at `design` (in a client area designed at
// designWidth x designHeight) lies in a client area of the given size.
TRectPx FollowAnchors(const TRectPx& design, unsigned anchors, int clientWidth, int clientHeight,
                      int designWidth = kDesignClientWidth, int designHeight = kDesignClientHeight);

// `design` at `scale` times its size and distance from the corner.
TRectPx Scaled(const TRectPx& design, double scale);

// The largest size of the same aspect ratio as `image` that fits `box`.
struct TSizePx {
  int width, height;
  friend bool operator==(const TSizePx&, const TSizePx&) = default;
};
TSizePx FitKeepingAspect(TSizePx image, TSizePx box);

}  // namespace window
