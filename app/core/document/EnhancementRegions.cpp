#include "core/document/EnhancementRegions.h"

#include <algorithm>
#include <limits>

namespace quillon {

void EnhancementRegions::SetLevel(int level) {
  level_ = static_cast<std::int8_t>(std::clamp(level, 0, kMaxLevel));
}

std::optional<int> EnhancementRegions::Add(std::int32_t pictureWidth, std::int32_t pictureHeight) {
  if (count_ >= kMaxRegions) return std::nullopt;
  const auto clampSize = [](std::int32_t v) {
    return static_cast<std::int16_t>(
        std::min<std::int32_t>(v, std::numeric_limits<std::int16_t>::max()));
  };
  regions_[count_] = {pictureWidth / 4, pictureHeight / 4, clampSize(pictureWidth / 2),
                      clampSize(pictureHeight / 2)};
  return count_++;
}

void EnhancementRegions::Delete(int index) {
  if (index < 0 || index >= count_) return;
  std::copy(regions_.begin() + index + 1, regions_.begin() + count_, regions_.begin() + index);
  --count_;
}

EdgeRect ToView(const EnhancementRegion& region, ZoomRatio zoom, ScrollPoint scroll) {
  return {zoom.Scale(region.x) - scroll.x, zoom.Scale(region.y) - scroll.y,
          zoom.Scale(region.x + region.width) - scroll.x,
          zoom.Scale(region.y + region.height) - scroll.y};
}

DragMode HitTest(const EdgeRect& rect, int x, int y) {
  const int t = kHitTolerance;
  if (x < rect.left - t || x > rect.right + t || y < rect.top - t || y > rect.bottom + t) {
    return DragMode::None;
  }
  const bool left = x >= rect.left - t && x <= rect.left + t;
  const bool right = !left && x >= rect.right - t && x <= rect.right + t;
  const bool top = y >= rect.top - t && y <= rect.top + t;
  const bool bottom = !top && y >= rect.bottom - t && y <= rect.bottom + t;
  if (top) return left ? DragMode::TopLeft : right ? DragMode::TopRight : DragMode::Top;
  if (bottom) return left ? DragMode::BottomLeft : right ? DragMode::BottomRight : DragMode::Bottom;
  if (left) return DragMode::Left;
  if (right) return DragMode::Right;
  return DragMode::Move;
}

RegionHit FindRegion(const EnhancementRegions& regions, int selected, ZoomRatio zoom,
                     ScrollPoint scroll, int x, int y) {
  if (selected >= 0 && selected < regions.Count()) {
    const DragMode mode = HitTest(ToView(regions[selected], zoom, scroll), x, y);
    if (mode != DragMode::None) return {selected, mode};
  }
  for (int i = regions.Count() - 1; i >= 0; --i) {
    const DragMode mode = HitTest(ToView(regions[i], zoom, scroll), x, y);
    if (mode != DragMode::None) return {i, mode};
  }
  return {};
}

EdgeRect Drag(const EdgeRect& start, DragMode mode, int dx, int dy) {
  EdgeRect r = start;
  switch (mode) {
    case DragMode::Move:
      return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    case DragMode::Left:
      r.left += dx;
      break;
    case DragMode::Right:
      r.right += dx;
      break;
    case DragMode::Top:
      r.top += dy;
      break;
    case DragMode::TopLeft:
      r.top += dy;
      r.left += dx;
      break;
    case DragMode::TopRight:
      r.top += dy;
      r.right += dx;
      break;
    case DragMode::Bottom:
      r.bottom += dy;
      break;
    case DragMode::BottomLeft:
      r.bottom += dy;
      r.left += dx;
      break;
    case DragMode::BottomRight:
      r.bottom += dy;
      r.right += dx;
      break;
    case DragMode::None:
      break;
  }
  return r;
}

EdgeRect ClampToPicture(EdgeRect r, std::int32_t pictureWidth, std::int32_t pictureHeight) {
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  r.left = std::clamp(r.left, 0, std::max(pictureWidth - 5, 0));
  r.top = std::clamp(r.top, 0, std::max(pictureHeight - 5, 0));
  r.right = std::clamp(r.right, r.left, std::max(pictureWidth - 1, r.left));
  r.bottom = std::clamp(r.bottom, r.top, std::max(pictureHeight - 1, r.top));
  return r;
}

EdgeRect ToPicture(const EdgeRect& v, ZoomRatio zoom, ScrollPoint scroll) {
  return {zoom.Unscale(v.left + scroll.x), zoom.Unscale(v.top + scroll.y),
          zoom.Unscale(v.right + scroll.x), zoom.Unscale(v.bottom + scroll.y)};
}

EnhancementRegion ToRegion(const EdgeRect& p) {
  const auto size = [](int v) {
    return static_cast<std::int16_t>(
        std::clamp(v, 0, int{std::numeric_limits<std::int16_t>::max()}));
  };
  return {p.left, p.top, size(p.right - p.left), size(p.bottom - p.top)};
}

}  // namespace quillon
