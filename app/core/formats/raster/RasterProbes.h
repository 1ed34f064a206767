// Header probes for the open dialog: what a raster file holds, read without decoding it.
#pragma once

#include <filesystem>
#include <optional>

#include "core/document/ProbeResult.h"

namespace quillon {

// Each gives nothing when the file is not of its format or its header is not readable.
std::optional<ProbeResult> ProbeBmp(const std::filesystem::path& path);
std::optional<ProbeResult> ProbePnm(const std::filesystem::path& path);
std::optional<ProbeResult> ProbeTiff(const std::filesystem::path& path);
std::optional<ProbeResult> ProbeJpeg(const std::filesystem::path& path);

}  // namespace quillon
