// The converter's command line: which command, its files, and the save and load options it
// hands the pipelines; and the --help text that documents them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/analysis/ColourConversion.h"
#include "core/document/EnhancementRegions.h"
#include "core/document/LoadOptions.h"
#include "core/document/SaveOptions.h"

namespace quillon::convert {

enum class Command { Help, Convert, Info, Compare, CountColours, Batch };

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
  // Convert: input, output. Info, CountColours: the file. Compare: reference, compared file.
  // Batch: inputs.
  std::vector<std::filesystem::path> files;

  // Batch: the directory that receives the outputs, their extension (".jp2") and how many
  // files are converted at once.
  std::filesystem::path outputDirectory;
  std::string outputExtension;
  int jobs = 1;

  // The save dialog's defaults, changed by the save options; type and container come from
  // the output's extension.
  SaveOptions save;
  std::vector<EnhancementRegion> regions;
  std::optional<int> enhanceLevel;
  std::optional<int> freeQualityPercent;
  // Protects a KVF output and opens a protected KVF input.
  std::optional<std::string> password;

  // A colour conversion of the input before it is saved, with the strength of smoothing and
  // sharpening.
  std::optional<ColourConversion> conversion;
  FilterStrength strength = FilterStrength::Low;

  // Set when a load option was given; otherwise inputs are decoded whole.
  std::optional<LoadOptions> load;
  std::optional<int> reduce;
  // Writes the picture fitted into this many pixels square, decoding only what that needs.
  std::optional<int> thumbnailSide;

  // Questions of the pipelines are answered Yes; without it they are answered No.
  bool yes = false;

  // JPEG 2000 worker threads; one per core when not given.
  std::optional<int> threads;
};

// Parses the arguments after the program name; a text for the user when they are not valid.
// `defaultJobs` is the number of files a batch converts at once without --jobs.
std::variant<ConvertArguments, std::string> ParseConvertArguments(
    const std::vector<std::string>& arguments, int defaultJobs = 1);

// Batch: DIR/<input's name with the extension of --to>.
std::filesystem::path BatchOutputPath(const ConvertArguments& arguments,
                                      const std::filesystem::path& input);

std::string ConvertHelpText();

}  // namespace quillon::convert
