#include "ui/PictureBitmap.h"

#include <wx/bitmap.h>
#include <wx/dc.h>

namespace quillon {

wxImage ToImage(const Picture& picture) {
  const ScaledRect whole{0, 0, picture.GetWidth(), picture.GetHeight()};
  if (whole.width <= 0 || whole.height <= 0) return {};
  wxImage image(whole.width, whole.height, false);
  RenderScaled(picture, ZoomRatio{}, whole, image.GetData());
  return image;
}

}  // namespace quillon

namespace quillon {

void DrawPicturePart(wxDC& dc, const Picture& picture, ZoomRatio zoom, const ScaledRect& part) {
  const ScaledRect visible = ClipToScaledPicture(picture, zoom, part);
  if (visible.width <= 0 || visible.height <= 0) return;
  wxImage image(visible.width, visible.height, false);
  RenderScaled(picture, zoom, visible, image.GetData());
  dc.DrawBitmap(wxBitmap(image), visible.x, visible.y);
}

}  // namespace quillon
