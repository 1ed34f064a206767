#include "core/pipelines/PictureProbe.h"

#include "core/services/FormatMessage.h"

namespace quillon {

std::optional<ProbeResult> ProbePicture(const std::filesystem::path& path, const FileDispatch& file,
                                        const StringTable& strings, const PictureProbers& probers) {
  const PictureProber* probe = probers.Select(file);
  return probe && *probe ? (*probe)(path, strings) : std::nullopt;
}

std::string ImageSizeText(const ProbeResult& probe, const StringTable& strings) {
  return FormatMessage(
      strings.Load(kProbeImageSize),
      {std::int64_t{probe.width}, std::int64_t{probe.height}, std::int64_t{probe.bitsPerPixel}});
}

std::string ProbeText(const std::filesystem::path& path, const StringTable& strings,
                      const PictureProbers& probers) {
  const std::optional<ProbeResult> result =
      ProbePicture(path, DispatchFile(path), strings, probers);
  if (!result) return strings.Load(kProbeNotSupported);
  std::string text = ImageSizeText(*result, strings);
  if (!result->formatText.empty()) text += "\n" + result->formatText;
  return text;
}

}  // namespace quillon
