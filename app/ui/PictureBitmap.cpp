#include "ui/PictureBitmap.h"

namespace quillon {

wxImage ToImage(const Picture& picture) {
  const int width = picture.GetWidth(), height = picture.GetHeight();
  if (width <= 0 || height <= 0) return {};
  wxImage image(width, height, false);
  unsigned char* out = image.GetData();
  for (int y = 0; y < height; ++y) {
    const std::int32_t memoryRow = height - 1 - y;
    for (int x = 0; x < width; ++x) {
      const Picture::Triple bgr = picture.GetPixel(x, memoryRow);
      *out++ = bgr[2];
      *out++ = bgr[1];
      *out++ = bgr[0];
    }
  }
  return image;
}

}  // namespace quillon
