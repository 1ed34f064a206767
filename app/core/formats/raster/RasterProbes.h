// Header probes for the open dialog: what a raster file holds, read without decoding it.
#pragma once

#include <filesystem>
#include <optional>

#include "core/document/ProbeResult.h"
#include "core/services/StringTable.h"

namespace quillon {

inline constexpr StringId kProbeCompressed = 62180;     // "Compression:\tYes"
inline constexpr StringId kProbeUncompressed = 62181;   // "Compression:\tNo"
inline constexpr StringId kProbePlainCoding = 62182;    // "Coding Method:\tASCII"
inline constexpr StringId kProbeRawCoding = 62183;      // "Coding Method:\tBinary"
inline constexpr StringId kProbeInterlaced = 62184;     // "Interlaced:\tYes"
inline constexpr StringId kProbeNotInterlaced = 62185;  // "Interlaced:\tNo"

// Each gives nothing when the file is not of its format or its header is not readable. BMP
// PNM and PNG add a line about their coding from `strings`.
std::optional<ProbeResult> ProbeBmp(const std::filesystem::path& path, const StringTable& strings);
std::optional<ProbeResult> ProbePnm(const std::filesystem::path& path, const StringTable& strings);
std::optional<ProbeResult> ProbeTiff(const std::filesystem::path& path);
std::optional<ProbeResult> ProbeJpeg(const std::filesystem::path& path);
std::optional<ProbeResult> ProbePng(const std::filesystem::path& path, const StringTable& strings);

}  // namespace quillon
