#include "core/analysis/PictureInformation.h"

#include <optional>

#include "core/document/PictureFormatName.h"
#include "core/pipelines/PictureProbe.h"
#include "core/services/FormatMessage.h"

namespace quillon {

namespace {

std::string FormatName(PictureFormat format, const StringTable& strings) {
  const std::string_view name = PictureFormatName(format);
  return name.empty() ? strings.Load(kInformationUnknownFormat) : std::string(name);
}

// What the file's header tells about its coding, else the ratio the reader measured.
std::string CodingLine(const PictureDocument& document, const std::filesystem::path& path,
                       const StringTable& strings) {
  if (!path.empty()) {
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
      const std::optional<ProbeResult> probe = ProbePicture(path, DispatchFile(path), strings);
      if (probe && !probe->formatText.empty()) return probe->formatText;
    }
  }
  if (document.compressionRatio > 0) {
    return FormatMessage(strings.Load(kInformationCompression), {document.compressionRatio});
  }
  return {};
}

}  // namespace

std::string PictureInformationText(PictureDocument& document, const std::string& name,
                                   const std::filesystem::path& path, const StringTable& strings) {
  Picture& picture = document.GetPicture();
  const int depth = picture.IsEmpty() ? 0 : picture.GetDisplayDepth();
  const std::int64_t colours = depth > 0 ? std::int64_t{1} << depth : 0;
  const std::string sizeLine = FormatMessage(
      strings.Load(kProbeImageSize),
      {std::int64_t{picture.GetWidth()}, std::int64_t{picture.GetHeight()}, std::int64_t{depth}});
  return FormatMessage(strings.Load(kInformationText),
                       {name, std::int64_t{document.fileSize}, FormatName(document.format, strings),
                        colours, sizeLine, CodingLine(document, path, strings)});
}

}  // namespace quillon
