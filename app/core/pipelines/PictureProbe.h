// What the open dialog shows of a file before it is opened: size, depth and a line about
// its coding, read from the header only.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/document/ProbeResult.h"
#include "core/pipelines/OpenDispatch.h"
#include "core/services/StringTable.h"

namespace quillon {

using PictureProber =
    std::function<std::optional<ProbeResult>(const std::filesystem::path&, const StringTable&)>;
using PictureProbers = ByReader<PictureProber>;

// The probes of this build; a format without one is "not supported" in the dialog.
const PictureProbers& InstalledProbers();

inline constexpr StringId kProbeImageSize = 61217;  // "Image Size:\t%d x %d\nColor depth:\t%d Bit"
inline constexpr StringId kProbeNotSupported = 33006;  // "Format not supported !"

// What the probe of the file's format reads from `path`, dispatched as `file`; nothing when no
// probe knows the file.
std::optional<ProbeResult> ProbePicture(const std::filesystem::path& path, const FileDispatch& file,
                                        const StringTable& strings,
                                        const PictureProbers& probers = InstalledProbers());

// The size and depth lines of a probe (message 61217).
std::string ImageSizeText(const ProbeResult& probe, const StringTable& strings);

// The information text of the open dialog for `path`.
std::string ProbeText(const std::filesystem::path& path, const StringTable& strings,
                      const PictureProbers& probers = InstalledProbers());

}  // namespace quillon
