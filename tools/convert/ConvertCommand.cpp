#include "tools/convert/ConvertCommand.h"

#include <chrono>
#include <cstdio>

#include "core/analysis/ColourConversion.h"
#include "core/display/Thumbnail.h"
#include "core/document/LoadOptions.h"
#include "core/pipelines/SavePipeline.h"
#include "tools/convert/ConvertInput.h"

namespace quillon::convert {

namespace {

std::string RegionText(const EnhancementRegion& region) {
  return std::to_string(region.x) + "," + std::to_string(region.y) + "," +
         std::to_string(region.width) + "," + std::to_string(region.height);
}

}  // namespace

std::optional<std::string> ApplyDocumentOptions(const ConvertArguments& arguments,
                                                PictureDocument& document) {
  const Picture& picture = document.GetPicture();
  const std::int64_t width = picture.GetWidth(), height = picture.GetHeight();
  if (!arguments.regions.empty()) {
    document.regions = EnhancementRegions();
    for (const EnhancementRegion& region : arguments.regions) {
      if (std::int64_t{region.x} + region.width > width ||
          std::int64_t{region.y} + region.height > height) {
        return "--region " + RegionText(region) + " does not lie on the " + std::to_string(width) +
               " x " + std::to_string(height) + " picture";
      }
      const std::optional<int> index =
          document.regions.Add(picture.GetWidth(), picture.GetHeight());
      if (index) document.regions.Set(*index, region);
    }
  }
  if (arguments.enhanceLevel) document.regions.SetLevel(*arguments.enhanceLevel);

  KvfProtection& protection = document.protection;
  if (arguments.freeQualityPercent) {
    protection.freeQuality = std::uint16_t(*arguments.freeQualityPercent * 1024 / 100);
  } else if (arguments.password) {
    protection.freeQuality = std::uint16_t(arguments.save.freeQuality);
  }
  if (arguments.password) {
    protection.passwordOn = true;
    protection.password = *arguments.password;
  }
  return std::nullopt;
}

std::string SummaryLine(const std::string& output, std::uint64_t bytes, std::uint64_t rawSize,
                        double seconds) {
  char text[128];
  std::snprintf(text, sizeof text, ": %llu bytes, 1:%.2f, %.3f s",
                static_cast<unsigned long long>(bytes),
                bytes == 0 ? 0.0 : double(rawSize) / double(bytes), seconds);
  return output + text;
}

int RunConvert(const ConvertArguments& arguments, FileIoContext& context, TextUiServices& ui,
               std::ostream& out) {
  const auto start = std::chrono::steady_clock::now();
  PictureDocument opened;
  if (!OpenInput(arguments.files[0], opened, context, ui, arguments)) return 1;
  // A conversion makes a new picture, as in the program, and that one is saved.
  PictureDocument converted;
  if (arguments.conversion &&
      RunColourConversion(*arguments.conversion, arguments.strength, opened.GetPicture(),
                          converted.GetPicture(), ui) != ConversionOutcome::Done) {
    return 1;
  }
  PictureDocument& source = arguments.conversion ? converted : opened;
  PictureDocument thumbnail;
  if (arguments.thumbnailSide &&
      !MakeThumbnail(source.GetPicture(), *arguments.thumbnailSide, thumbnail.GetPicture())) {
    ui.Report("not enough memory for the thumbnail of '" + arguments.files[0].string() + "'");
    return 1;
  }
  PictureDocument& document = arguments.thumbnailSide ? thumbnail : source;
  if (const std::optional<std::string> error = ApplyDocumentOptions(arguments, document)) {
    ui.Report(*error);
    return 1;
  }

  SaveOptions options = arguments.save;
  if (arguments.freeQualityPercent) options.freeQuality = document.protection.freeQuality;
  const std::filesystem::path& output = arguments.files[1];
  const int messagesBefore = ui.MessageCount();
  if (!SavePicture(output, options.type, document, context,
                   {options, !arguments.regions.empty()})) {
    if (ui.MessageCount() == messagesBefore) ui.Report("could not save '" + output.string() + "'");
    return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(output, error);
  if (error) {
    ui.Report("cannot read the size of '" + output.string() + "': " + error.message());
    return 1;
  }
  const Picture& picture = document.GetPicture();
  out << SummaryLine(output.string(), bytes,
                     RawSize(std::uint32_t(picture.GetWidth()), std::uint32_t(picture.GetHeight()),
                             std::uint32_t(picture.GetBitCount())),
                     seconds)
      << '\n';
  return 0;
}

}  // namespace quillon::convert
