#include "window/ControlTable.h"

#include <algorithm>
#include <cmath>

namespace window {
namespace {

// One axis: a control tied to the far edge follows it, one tied to both
// stretches; a size never goes below zero.
void followAxis(int& start, int& length, bool nearEdge, bool farEdge, int growth) {
  if (nearEdge && farEdge)
    length = std::max(0, length + growth);
  else if (farEdge)
    start += growth;
  else if (!nearEdge)
    start += growth / 2;  // tied to neither edge: keeps its place in the middle
}

}  // namespace

TRectPx FollowAnchors(const TRectPx& design, unsigned anchors, int clientWidth, int clientHeight,
                      int designWidth, int designHeight) {
  TRectPx rect = design;
  followAxis(rect.left, rect.width, anchors & akLeft, anchors & akRight, clientWidth - designWidth);
  followAxis(rect.top, rect.height, anchors & akTop, anchors & akBottom,
             clientHeight - designHeight);
  return rect;
}

TRectPx Scaled(const TRectPx& design, double scale) {
  const auto times = [scale](int value) { return static_cast<int>(std::lround(value * scale)); };
  return {times(design.left), times(design.top), times(design.width), times(design.height)};
}

TSizePx FitKeepingAspect(TSizePx image, TSizePx box) {
  if (image.width <= 0 || image.height <= 0) return {0, 0};
  // Compare the two scale factors without division: the tighter one wins.
  const long long byWidth = static_cast<long long>(box.width) * image.height;
  const long long byHeight = static_cast<long long>(box.height) * image.width;
  if (byWidth <= byHeight) return {box.width, static_cast<int>(byWidth / image.width)};
  return {static_cast<int>(byHeight / image.height), box.height};
}

}  // namespace window
