// Turns the visible part of a picture at a zoom into screen pixels: only what is seen is
// converted, so panning and zooming cost the same for any picture size.
#pragma once

#include <cstdint>

#include "core/display/ZoomRatio.h"
#include "core/picture/Picture.h"

namespace quillon {

struct ScaledRect {
  int x = 0;  // in scaled (zoomed) picture coordinates, from the top-left
  int y = 0;
  int width = 0;
  int height = 0;
};

// The part of `rect` that lies on the scaled picture.
ScaledRect ClipToScaledPicture(const Picture& picture, ZoomRatio zoom, ScaledRect rect);

// Writes `rect` (already clipped) as red, green, blue bytes, row after row from the top,
// `rect.width * 3` bytes per row. Every screen pixel takes the picture pixel it covers.
void RenderScaled(const Picture& picture, ZoomRatio zoom, const ScaledRect& rect,
                  std::uint8_t* rgb);

}  // namespace quillon
