// Lengths on the printed page: the two units of the print options, their conversion to
// inches and printer pixels, and the two-decimal text the options keep positions in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/services/StringTable.h"

namespace quillon {

enum class PrintUnit { Inches = 0, Centimeters = 1 };

inline constexpr StringId kInchesName = 61229;       // "Inches"
inline constexpr StringId kCentimetersName = 61230;  // "Centimeters"

// The factors the print options have always used, so that stored positions keep their place.
inline constexpr double kInchesPerCentimeter = 0.3936;
inline constexpr double kCentimetersPerInch = 2.540650406504065;
inline constexpr double kInchesPerTenthMillimeter = 0.003936;

// The unit of a stored unit index; an unknown index counts as inches.
PrintUnit PrintUnitOfIndex(int index);
StringId PrintUnitName(PrintUnit unit);

double ToInches(double length, PrintUnit unit);
double FromInches(double inches, PrintUnit unit);
double ToPrinterPixels(double length, PrintUnit unit, double dpi);
double FromPrinterPixels(double pixels, PrintUnit unit, double dpi);
// Paper sizes come in tenths of a millimetre.
inline double TenthMillimetersToInches(double tenths) {
  return tenths * kInchesPerTenthMillimeter;
}

// A length typed by the user or read from the settings: a decimal number with a point or a
// comma; nothing for anything else.
std::optional<double> ParseLength(std::string_view text);
// Two decimals with a point, as the settings keep it.
std::string FormatLength(double length);

}  // namespace quillon
