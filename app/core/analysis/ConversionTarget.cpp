#include "core/analysis/ConversionTarget.h"

#include <cstring>

namespace quillon {

bool CreateConversionTarget(const Picture& source, Picture& target, bool colour) {
  target.Header().biWidth = source.GetWidth();
  target.Header().biHeight = source.GetHeight();
  if (!target.CreatePicture(colour)) return false;
  target.Header().biXPelsPerMeter = source.Header().biXPelsPerMeter;
  target.Header().biYPelsPerMeter = source.Header().biYPelsPerMeter;
  // The grey test reads the padding too; a new picture must not leave it to chance.
  const std::size_t used = std::size_t(target.GetWidth()) * (colour ? 3 : 1);
  const std::size_t padding = target.GetStride() - used;
  if (padding != 0) {
    for (std::int32_t row = 0; row < target.GetHeight(); ++row) {
      std::memset(target.Row(row) + used, 0, padding);
    }
  }
  return true;
}

}  // namespace quillon
