// The rectangles of a picture that the encoders are to code at higher quality, and the
// arithmetic of editing them with the mouse.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/display/ZoomRatio.h"

namespace quillon {

struct EnhancementRegion {
  std::int32_t x = 0;  // picture pixels from the top-left corner
  std::int32_t y = 0;
  std::int16_t width = 0;
  std::int16_t height = 0;
  friend bool operator==(const EnhancementRegion&, const EnhancementRegion&) = default;
};

class EnhancementRegions {
 public:
  static constexpr int kMaxRegions = 16;
  static constexpr int kMaxLevel = 10;

  int Count() const { return count_; }
  const EnhancementRegion& operator[](int index) const { return regions_[index]; }
  int Level() const { return level_; }
  void SetLevel(int level);

  // Adds the centred region of half the picture's size; nothing once 16 exist.
  // Returns the index of the new region.
  std::optional<int> Add(std::int32_t pictureWidth, std::int32_t pictureHeight);
  void Delete(int index);
  void Set(int index, const EnhancementRegion& region) { regions_[index] = region; }

 private:
  std::uint8_t count_ = 0;
  std::int8_t level_ = 0;
  std::array<EnhancementRegion, kMaxRegions> regions_{};
};

// A rectangle by its edges, in view or picture pixels; right and bottom are exclusive.
struct EdgeRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const EdgeRect&, const EdgeRect&) = default;
};

// What a button press on a region does; the numbers are the drag modes' own.
enum class DragMode : int {
  None = 0,
  Move = 2,
  Left = 10,
  Right = 11,
  Top = 12,
  TopLeft = 13,
  TopRight = 14,
  Bottom = 15,
  BottomLeft = 16,
  BottomRight = 17,
};

inline constexpr int kHitTolerance = 5;

EdgeRect ToView(const EnhancementRegion& region, ZoomRatio zoom, ScrollPoint scroll);
// The drag mode of a point on (or within 5 pixels of) a rectangle; None off it.
DragMode HitTest(const EdgeRect& rect, int x, int y);

struct RegionHit {
  int index = -1;
  DragMode mode = DragMode::None;
};
// The selected region wins when the point is on it; otherwise the last region under the
// point (the one drawn on top).
RegionHit FindRegion(const EnhancementRegions& regions, int selected, ZoomRatio zoom,
                     ScrollPoint scroll, int x, int y);

// Moves the edges that `mode` names by (dx, dy); Move shifts the whole rectangle.
EdgeRect Drag(const EdgeRect& start, DragMode mode, int dx, int dy);
// Normalised and kept on the picture: left and top at most width - 5 and height - 5, right and
// bottom at most width - 1 and height - 1, nothing below 0.
EdgeRect ClampToPicture(EdgeRect rect, std::int32_t pictureWidth, std::int32_t pictureHeight);
EdgeRect ToPicture(const EdgeRect& viewRect, ZoomRatio zoom, ScrollPoint scroll);
EnhancementRegion ToRegion(const EdgeRect& pictureRect);

}  // namespace quillon
