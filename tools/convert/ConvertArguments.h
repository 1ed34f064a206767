// The converter's command line: which command, its files, and the save and load options it
// hands the pipelines; and the --help text that documents them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/document/EnhancementRegions.h"
#include "core/document/LoadOptions.h"
#include "core/document/SaveOptions.h"

namespace quillon::convert {

enum class Command { Help, Convert, Info, Compare };

// What an output file becomes, by its extension.
struct OutputType {
  PictureFormat format = PictureFormat::Unknown;
  Jp2Container container = Jp2Container::Jp2;
};

// .jp2, .jpx/.jpf, .j2k/.j2c/.jpc, .kvf, .bmp, .ppm, .pgm, .tif/.tiff, .jpg/.jpeg, in any case;
// nothing for any other extension.
std::optional<OutputType> OutputTypeOfPath(const std::filesystem::path& path);

struct ConvertArguments {
  Command command = Command::Convert;
  // Convert: input, output. Info: the file. Compare: reference, compared file.
  std::vector<std::filesystem::path> files;

  // The save dialog's defaults, changed by the save options; type and container come from
  // the output's extension.
  SaveOptions save;
  std::vector<EnhancementRegion> regions;
  std::optional<int> enhanceLevel;
  std::optional<int> freeQualityPercent;
  // Protects a KVF output and opens a protected KVF input.
  std::optional<std::string> password;

  // Set when a load option was given; otherwise inputs are decoded whole.
  std::optional<LoadOptions> load;
  std::optional<int> reduce;
  // Writes the picture fitted into this many pixels square, decoding only what that needs.
  std::optional<int> thumbnailSide;

  // Questions of the pipelines are answered Yes; without it they are answered No.
  bool yes = false;
};

// Parses the arguments after the program name; a text for the user when they are not valid.
std::variant<ConvertArguments, std::string> ParseConvertArguments(
    const std::vector<std::string>& arguments);

std::string ConvertHelpText();

}  // namespace quillon::convert
