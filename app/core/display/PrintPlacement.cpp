#include "core/display/PrintPlacement.h"

#include <algorithm>

#include "core/display/PrintUnits.h"

namespace quillon {

namespace {

constexpr double kScreenDpi = 72.0;

double OwnLength(std::int32_t pixels, double dpi) {
  return std::max(0, pixels) / (dpi > 0 ? dpi : kScreenDpi);
}

// The largest factor that brings width by height into room by roomHeight; 0 without room.
double FitFactor(double width, double height, double roomWidth, double roomHeight) {
  if (width <= 0 || height <= 0 || roomWidth <= 0 || roomHeight <= 0) return 0.0;
  return std::min(roomWidth / width, roomHeight / height);
}

}  // namespace

double PositionInches(const std::string& text, int unit) {
  return ToInches(ParseLength(text).value_or(0.0), PrintUnitOfIndex(unit));
}

Placement PlacePicture(const PrintSettings& settings, const PictureExtent& picture,
                       double areaWidth, double areaHeight) {
  const double ownWidth = OwnLength(picture.width, picture.xDpi);
  const double ownHeight = OwnLength(picture.height, picture.yDpi);
  double x = settings.full ? 0.0 : PositionInches(settings.positionX, settings.unit);
  double y = settings.full ? 0.0 : PositionInches(settings.positionY, settings.unit);
  if (settings.centerImage) x = y = 0.0;

  double factor = std::clamp(settings.size, kMinPrintSize, kMaxPrintSize) / 100.0;
  if (settings.full) {
    factor = FitFactor(ownWidth, ownHeight, areaWidth, areaHeight);
  } else if (settings.fitToPage) {
    factor = std::min(factor, FitFactor(ownWidth, ownHeight, areaWidth - x, areaHeight - y));
  }

  Placement placement;
  placement.sizePercent = factor * 100.0;
  PrintBox& box = placement.box;
  box.width = ownWidth * factor;
  box.height = ownHeight * factor;
  box.x = settings.centerImage ? (areaWidth - box.width) / 2 : x;
  box.y = settings.centerImage ? (areaHeight - box.height) / 2 : y;
  return placement;
}

}  // namespace quillon
