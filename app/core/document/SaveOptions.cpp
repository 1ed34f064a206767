#include "core/document/SaveOptions.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

#include "core/services/SettingsTable.h"

namespace quillon {

namespace {

// Rates and sizes beyond these are typing errors, not wishes.
constexpr double kLargestRate = 1.0e6;
constexpr double kLargestSizeKb = 4.0 * 1024 * 1024;  // 4 GiB

// The whole number stored under `setting` when it lies in lower..upper, else the default.
int ReadInRange(const Settings& settings, const IntSetting& setting, int lower, int upper) {
  const int value = Read(settings, setting);
  return value >= lower && value <= upper ? value : setting.defaultValue;
}

// Parses decimal text with a point whatever the locale; nothing unless it is all a number.
std::optional<double> ParseDecimal(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The positive decimal stored under `setting` up to `largest`, else the default's value.
double ReadDecimal(const Settings& settings, const StringSetting& setting, double largest) {
  const std::optional<double> value = ParseDecimal(Read(settings, setting));
  if (value && *value > 0.0 && *value <= largest) return *value;
  return ParseDecimal(setting.defaultValue).value_or(1.0);
}

// Shortest text that reads back as `value`, with a decimal point ("10.0", "12.5").
std::string DecimalText(double value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc()) return "10.0";
  std::string text(buffer, end);
  if (std::isfinite(value) && text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

}  // namespace

SaveOptions LoadSaveOptions(const Settings& settings) {
  using namespace setting;
  SaveOptions options;
  options.type = static_cast<PictureFormat>(ReadInRange(settings, kSaveType, 2, 9));
  options.option = static_cast<SaveOption>(ReadInRange(settings, kSaveOption, 0, 3));
  options.quality = ReadInRange(settings, kSaveQuality, 1, 100);
  options.rate = ReadDecimal(settings, kSaveCompression, kLargestRate);
  options.sizeKb = ReadDecimal(settings, kSaveSize, kLargestSizeKb);
  options.scanMode = static_cast<ScanMode>(ReadInRange(settings, kScanMode, 0, 1));
  options.freeQuality = ReadInRange(settings, kSaveFreeQuality, 0, 1024);
  options.progression = static_cast<SortedBy>(ReadInRange(settings, kProgression, 0, 3));
  options.pnmCoding = static_cast<PnmCoding>(ReadInRange(settings, kSavePxmType, 0, 1));
  options.tiffCompression =
      static_cast<TiffCompression>(ReadInRange(settings, kSaveTiffCompression, 0, 1));
  options.jpegQuality = ReadInRange(settings, kJpgQuality, 1, 100);
  options.pngCompression = ReadInRange(settings, kSavePngCompression, 0, 9);
  options.showWarnings = Read(settings, kShowWarnings) != 0;
  return options;
}

void StoreSaveOptions(const SaveOptions& options, Settings& settings) {
  using namespace setting;
  // The store reports failures of its own; a lost option only costs the user a choice.
  (void)Write(settings, kSaveType, static_cast<int>(options.type));
  (void)Write(settings, kSaveOption, static_cast<int>(options.option));
  (void)Write(settings, kSaveQuality, options.quality);
  (void)Write(settings, kSaveCompression, DecimalText(options.rate));
  (void)Write(settings, kSaveSize, DecimalText(options.sizeKb));
  (void)Write(settings, kScanMode, static_cast<int>(options.scanMode));
  (void)Write(settings, kSaveFreeQuality, options.freeQuality);
  (void)Write(settings, kProgression, static_cast<int>(options.progression));
  (void)Write(settings, kSavePxmType, static_cast<int>(options.pnmCoding));
  (void)Write(settings, kSaveTiffCompression, static_cast<int>(options.tiffCompression));
  (void)Write(settings, kJpgQuality, options.jpegQuality);
  (void)Write(settings, kSavePngCompression, options.pngCompression);
  (void)Write(settings, kShowWarnings, options.showWarnings ? 1 : 0);
}

}  // namespace quillon
