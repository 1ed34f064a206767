#include "core/display/PrintUnits.h"

#include <charconv>
#include <cmath>

namespace quillon {

PrintUnit PrintUnitOfIndex(int index) {
  return index == static_cast<int>(PrintUnit::Centimeters) ? PrintUnit::Centimeters
                                                           : PrintUnit::Inches;
}

StringId PrintUnitName(PrintUnit unit) {
  return unit == PrintUnit::Centimeters ? kCentimetersName : kInchesName;
}

double ToInches(double length, PrintUnit unit) {
  return unit == PrintUnit::Centimeters ? length * kInchesPerCentimeter : length;
}

double FromInches(double inches, PrintUnit unit) {
  return unit == PrintUnit::Centimeters ? inches * kCentimetersPerInch : inches;
}

double ToPrinterPixels(double length, PrintUnit unit, double dpi) {
  return ToInches(length, unit) * dpi;
}

double FromPrinterPixels(double pixels, PrintUnit unit, double dpi) {
  return dpi > 0 ? FromInches(pixels / dpi, unit) : 0.0;
}

std::optional<double> ParseLength(std::string_view text) {
  std::string plain(text);
  for (char& c : plain) {
    if (c == ',') c = '.';
  }
  const std::size_t first = plain.find_first_not_of(' ');
  const std::size_t last = plain.find_last_not_of(' ');
  if (first == std::string::npos) return std::nullopt;
  const char* begin = plain.data() + first;
  const char* end = plain.data() + last + 1;
  double value = 0.0;
  const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::fixed);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string FormatLength(double length) {
  // Independent of the C locale, which may want a comma; "-0.00" becomes "0.00".
  char text[48];
  double rounded = std::round(length * 100.0) / 100.0;
  if (rounded == 0.0 || !std::isfinite(rounded)) rounded = 0.0;
  const auto result = std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, 2);
  return std::string(text, result.ptr);
}

}  // namespace quillon
