#include "core/display/ZoomRatio.h"

#include "core/services/FormatMessage.h"

namespace quillon {

namespace {
constexpr int kMaxZoom = 8;
}

bool ZoomRatio::ZoomIn() {
  if (denominator > 1) {
    --denominator;
  } else if (numerator == kMaxZoom) {
    return false;
  } else {
    ++numerator;
  }
  return true;
}

bool ZoomRatio::ZoomOut() {
  if (numerator > 1) {
    --numerator;
  } else if (denominator == kMaxZoom) {
    return false;
  } else {
    ++denominator;
  }
  return true;
}

ScrollPoint ScrollAfterZoom(ScrollPoint old, int clientWidth, int clientHeight, int oldScaledWidth,
                            int oldScaledHeight, int newScaledWidth, int newScaledHeight) {
  const auto axis = [](int position, int client, int oldScaled, int newScaled) {
    const int moved = position + (client - oldScaled + newScaled) / 2;
    return newScaled <= moved + client ? 0 : moved;
  };
  return {axis(old.x, clientWidth, oldScaledWidth, newScaledWidth),
          axis(old.y, clientHeight, oldScaledHeight, newScaledHeight)};
}

std::string PixelPaneText(const Picture& picture, ZoomRatio zoom, ScrollPoint scroll, int cursorX,
                          int cursorY, const StringTable& strings) {
  const int x = zoom.Unscale(scroll.x) + zoom.Unscale(cursorX);
  const int y = zoom.Unscale(scroll.y) + zoom.Unscale(cursorY);
  const int height = picture.GetHeight();
  if (x < 0 || y < 0 || x >= picture.GetWidth() || y >= height) return {};
  const Picture::Triple bgr = picture.GetPixel(x, height - 1 - y);
  return FormatMessage(strings.Load(kPixelPaneFormat),
                       {std::int64_t{x}, std::int64_t{y}, std::int64_t{bgr[2]},
                        std::int64_t{bgr[1]}, std::int64_t{bgr[0]}});
}

std::string ZoomPaneText(ZoomRatio zoom, const StringTable& strings) {
  return FormatMessage(strings.Load(kZoomPaneFormat),
                       {std::int64_t{zoom.numerator}, std::int64_t{zoom.denominator}});
}

}  // namespace quillon
