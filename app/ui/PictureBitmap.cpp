#include "ui/PictureBitmap.h"

#include "core/display/ScaledRender.h"

namespace quillon {

wxImage ToImage(const Picture& picture) {
  const ScaledRect whole{0, 0, picture.GetWidth(), picture.GetHeight()};
  if (whole.width <= 0 || whole.height <= 0) return {};
  wxImage image(whole.width, whole.height, false);
  RenderScaled(picture, ZoomRatio{}, whole, image.GetData());
  return image;
}

}  // namespace quillon
