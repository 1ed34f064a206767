#include "core/PictureProbe.h"

#include "core/FormatMessage.h"

namespace quillon {

std::string ProbeText(const std::filesystem::path& path, const StringTable& strings,
                      const PictureProbers& probers) {
  const PictureProber* probe = probers.Select(DispatchFile(path));
  const std::optional<ProbeResult> result =
      probe && *probe ? (*probe)(path, strings) : std::nullopt;
  if (!result) return strings.Load(kProbeNotSupported);
  std::string text = FormatMessage(strings.Load(kProbeImageSize),
                                   {std::int64_t{result->width}, std::int64_t{result->height},
                                    std::int64_t{result->bitsPerPixel}});
  if (!result->formatText.empty()) text += "\n" + result->formatText;
  return text;
}

}  // namespace quillon
