// The compression options of the save dialog, kept in the settings from one save to the next,
// and what the converter adds to them for the JPEG 2000 encoder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/document/PictureFormat.h"
#include "core/services/Settings.h"

namespace quillon {

// Values of the "SaveOption" setting.
enum class SaveOption : int { Lossless = 0, Quality = 1, CompressionRate = 2, FileSize = 3 };
// Values of the "ScanMode" setting (KVF only).
enum class ScanMode : int { Embedded = 0, Baseline = 1 };
// Values of the "Progression" setting: the "Sorted by:" list (JPEG 2000 only).
enum class SortedBy : int { Quality = 0, Resolution = 1, Position = 2, Color = 3 };
// Container of a JPEG 2000 file: the encoder's JP2_Prop_FileFormat values.
enum class Jp2Container : int { Codestream = 0, Jp2 = 1, Jpx = 2 };
// Values of the "SavePXMType" setting: PNM samples as binary bytes or ASCII numbers.
enum class PnmCoding { Raw = 0, Plain = 1 };
// Values of the "SaveTIFFCompression" setting.
enum class TiffCompression { None = 0, PackBits = 1 };

// Encoder properties the save dialog does not offer; the converter's expert options. Each one
// that is set replaces what the JPEG 2000 writer would choose.
struct Jp2ExpertOptions {
  std::optional<int> levels;
  std::optional<int> layers;
  std::optional<std::uint32_t> tileWidth, tileHeight;
  std::optional<std::uint32_t> codeBlockWidth, codeBlockHeight;
  bool sop = false;
  bool eph = false;
  std::optional<int> visualWeighting;
};

struct SaveOptions {
  PictureFormat type = PictureFormat::Jpeg2000;             // "SaveType"
  SaveOption option = SaveOption::Lossless;                 // "SaveOption"
  int quality = 80;                                         // "SaveQuality", 1..100
  double rate = 10.0;                                       // "SaveCompression", the "1:" value
  double sizeKb = 10.0;                                     // "SaveSize2", kilobytes
  ScanMode scanMode = ScanMode::Embedded;                   // "ScanMode"
  int freeQuality = 512;                                    // "SaveFreeQuality", 1/1024 units
  SortedBy progression = SortedBy::Quality;                 // "Progression"
  PnmCoding pnmCoding = PnmCoding::Raw;                     // "SavePXMType"
  TiffCompression tiffCompression = TiffCompression::None;  // "SaveTIFFCompression"
  int jpegQuality = 80;                                     // "JPGQuality"
  int pngCompression = 6;                                   // "SavePNGCompression", 0..9
  bool showWarnings = true;                                 // "ShowWarnings"

  // Not kept in the settings.
  Jp2Container container = Jp2Container::Jp2;  // the program always writes JP2
  Jp2ExpertOptions expert;
};

SaveOptions LoadSaveOptions(const Settings& settings);
void StoreSaveOptions(const SaveOptions& options, Settings& settings);

}  // namespace quillon
