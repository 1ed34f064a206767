// Where a picture lands on the printed page: the print options as the user sets them and
// the box they give the picture inside the printable area.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// The print options, kept by the application between prints and in the settings.
struct PrintSettings {
  bool centerImage = true;
  bool fitToPage = true;
  bool full = true;                // as large as the printable area allows
  std::string positionX = "0.00";  // from the printable area's left edge, in `unit`
  std::string positionY = "0.00";  // from its top edge
  int size = 100;                  // percent of the picture's own size
  int unit = 0;                    // index of PrintUnit
};

inline constexpr int kMinPrintSize = 1;
inline constexpr int kMaxPrintSize = 1000;

// The picture's own size: pixels and its resolution (dots per inch; 0 or less means 72).
struct PictureExtent {
  std::int32_t width = 0;
  std::int32_t height = 0;
  double xDpi = 72.0;
  double yDpi = 72.0;
};

// A rectangle in inches, from the printable area's top-left corner.
struct PrintBox {
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;
};

struct Placement {
  PrintBox box;
  // The size that the box has in percent of the picture's own size, which differs from the
  // option when the picture is fitted or printed in full format.
  double sizePercent = 100.0;
};

// Full format scales the picture to the largest box that fits the area. Otherwise the
// picture has the option's size, and fitting to the page shrinks (never enlarges) it to fit
// the room right of and below its position, or the whole area when it is centred.
// Centring puts the box in the middle of the area; else it goes to the option's position
// (full format without centring goes to the top-left corner). The box may reach beyond the
// area; printing clips it.
Placement PlacePicture(const PrintSettings& settings, const PictureExtent& picture,
                       double areaWidth, double areaHeight);

// The option's position in inches; a position that is not a number counts as 0.
double PositionInches(const std::string& text, int unit);

}  // namespace quillon
