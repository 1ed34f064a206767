// The integer zoom of a picture view (1:8 ... 1:1 ... 8:1) and the arithmetic of scrolled,
// zoomed pictures.
#pragma once

#include <cstdint>
#include <string>

#include "core/picture/Picture.h"
#include "core/services/StringTable.h"

namespace quillon {

struct ZoomRatio {
  int numerator = 1;    // 1..8
  int denominator = 1;  // 1..8; at most one of the two is above 1

  // One step; false (and unchanged) at 8:1 or 1:8, where the view beeps instead.
  [[nodiscard]] bool ZoomIn();
  [[nodiscard]] bool ZoomOut();

  int Scale(int length) const {
    return static_cast<int>(std::int64_t{length} * numerator / denominator);
  }
  // Picture coordinate of a scaled coordinate.
  int Unscale(int scaled) const {
    return static_cast<int>(std::int64_t{scaled} * denominator / numerator);
  }
  friend bool operator==(const ZoomRatio&, const ZoomRatio&) = default;
};

struct ScrollPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const ScrollPoint&, const ScrollPoint&) = default;
};

// The scroll position after a zoom, from the one before: keeps the middle of the window on
// the same part of the picture; where the whole new width (height) fits, the position is 0.
ScrollPoint ScrollAfterZoom(ScrollPoint old, int clientWidth, int clientHeight, int oldScaledWidth,
                            int oldScaledHeight, int newScaledWidth, int newScaledHeight);

inline constexpr StringId kPixelPaneFormat = 59144;  // "(%4d,%4d)-(R:%3d, G:%3d, B:%3d)"
inline constexpr StringId kZoomPaneFormat = 59142;   // "Zoom %2d:%2d"
inline constexpr StringId kZoomPaneIdle = 59141;     // "Zoom  - : - "

// The pixel pane for the cursor at client position (cursorX, cursorY) of a view scrolled to
// `scroll`: picture position from the top-left and its colour; empty outside the picture.
std::string PixelPaneText(const Picture& picture, ZoomRatio zoom, ScrollPoint scroll, int cursorX,
                          int cursorY, const StringTable& strings);
std::string ZoomPaneText(ZoomRatio zoom, const StringTable& strings);

}  // namespace quillon
