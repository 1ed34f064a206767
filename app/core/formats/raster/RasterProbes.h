// Header probes for the open dialog: what a raster file holds, read without decoding it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quillon {

struct RasterProbe {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bitsPerPixel = 0;
  // "Compression:\tYes"/"No" for BMP, "Coding Method:\tASCII"/"Binary" for PNM,
  // "Interlaced:\tYes"/"No" for PNG, else empty.
  std::string formatText;
};

// Each gives nothing when the file is not of its format or its header is not readable.
std::optional<RasterProbe> ProbeBmp(const std::filesystem::path& path);
std::optional<RasterProbe> ProbePnm(const std::filesystem::path& path);
std::optional<RasterProbe> ProbeTiff(const std::filesystem::path& path);
std::optional<RasterProbe> ProbeJpeg(const std::filesystem::path& path);
std::optional<RasterProbe> ProbePng(const std::filesystem::path& path);

}  // namespace quillon
