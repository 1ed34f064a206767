// Every persisted entry of the program with its section and default.
#pragma once

#include <string>
#include <string_view>

#include "core/services/Settings.h"

namespace quillon {

struct IntSetting {
  std::string_view section;
  std::string_view entry;
  int defaultValue;
};

struct StringSetting {
  std::string_view section;
  std::string_view entry;
  std::string_view defaultValue;
};

// Window positions default to wherever the window manager puts the window.
struct PositionSetting {
  std::string_view section;
  std::string_view entryX;
  std::string_view entryY;
};

inline int Read(const Settings& settings, const IntSetting& s) {
  return settings.GetProfileInt(s.section, s.entry, s.defaultValue);
}
inline std::string Read(const Settings& settings, const StringSetting& s) {
  return settings.GetProfileString(s.section, s.entry, s.defaultValue);
}
inline bool Write(Settings& settings, const IntSetting& s, int value) {
  return settings.WriteProfileInt(s.section, s.entry, value);
}
inline bool Write(Settings& settings, const StringSetting& s, std::string_view value) {
  return settings.WriteProfileString(s.section, s.entry, value);
}

namespace setting {

inline constexpr std::string_view kSettings = "Settings";
inline constexpr std::string_view kWindow = "Window";
inline constexpr std::string_view kPrintdialog = "Printdialog-Options";
inline constexpr std::string_view kFiledialog = "Filedialog-Options";
inline constexpr std::string_view kWavelet = "Wavelet-Options";

inline constexpr IntSetting kHide256ColorWarning{kSettings, "Hide256ColorWarning", 0};

inline constexpr IntSetting kHistogramOpen{kWindow, "Histgram", 0};
inline constexpr IntSetting kStatisticsOpen{kWindow, "Statistic", 0};
inline constexpr PositionSetting kHistogramPosition{kWindow, "HistgramPosX", "HistgramPosY"};
inline constexpr PositionSetting kStatisticsPosition{kWindow, "StatisticPosX", "StatisticPosY"};

inline constexpr IntSetting kCenterImage{kPrintdialog, "CenterImage", 1};
inline constexpr IntSetting kFitToPage{kPrintdialog, "FitToPage", 1};
inline constexpr IntSetting kFull{kPrintdialog, "Full", 1};
inline constexpr StringSetting kPositionX{kPrintdialog, "PositionX", "0.00"};
inline constexpr StringSetting kPositionY{kPrintdialog, "PositionY", "0.00"};
inline constexpr IntSetting kPrintSize{kPrintdialog, "Size", 100};
inline constexpr IntSetting kPrintUnit{kPrintdialog, "Unit", 0};

inline constexpr StringSetting kLoadDirectory{kFiledialog, "LoadDirectory", ""};
inline constexpr IntSetting kPreview{kFiledialog, "Preview", 0};
inline constexpr IntSetting kLoadType{kFiledialog, "LoadType", 1};
inline constexpr IntSetting kLoadOption{kWavelet, "LoadOption", 0};
inline constexpr IntSetting kLoadQuality{kWavelet, "LoadQuality", 80};
inline constexpr StringSetting kLoadCompression{kWavelet, "LoadCompression", "10.0"};
inline constexpr StringSetting kLoadSize{kWavelet, "LoadSize2", "10.0"};

inline constexpr IntSetting kSaveType{kFiledialog, "SaveType", 2};
inline constexpr IntSetting kShowWarnings{kFiledialog, "ShowWarnings", 1};
inline constexpr IntSetting kSavePxmType{kFiledialog, "SavePXMType", 0};
inline constexpr IntSetting kSaveTiffCompression{kFiledialog, "SaveTIFFCompression", 0};
inline constexpr IntSetting kSavePngCompression{kFiledialog, "SavePNGCompression", 6};
inline constexpr IntSetting kSaveOption{kWavelet, "SaveOption", 0};
inline constexpr IntSetting kSaveQuality{kWavelet, "SaveQuality", 80};
inline constexpr IntSetting kScanMode{kWavelet, "ScanMode", 0};
inline constexpr IntSetting kSaveFreeQuality{kWavelet, "SaveFreeQuality", 512};
inline constexpr StringSetting kSaveSize{kWavelet, "SaveSize2", "10.0"};
inline constexpr StringSetting kSaveCompression{kWavelet, "SaveCompression", "10.0"};
inline constexpr IntSetting kJpgQuality{kWavelet, "JPGQuality", 80};
inline constexpr IntSetting kProgression{kWavelet, "Progression", 0};

}  // namespace setting
}  // namespace quillon
