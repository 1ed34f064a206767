#include "tools/convert/ConvertInfo.h"

#include <cstdio>

#include "core/pipelines/OpenPipeline.h"
#include "core/pipelines/PictureProbe.h"
#include "tools/convert/ConvertInput.h"

namespace quillon::convert {

namespace {

// Formats whose ratio the probe does not already give (JPEG 2000's names its progression too).
bool NeedsRatioLine(PictureFormat format) {
  return format == PictureFormat::Kvf || format == PictureFormat::Jpeg;
}

}  // namespace

int RunInfo(const std::filesystem::path& path, TextUiServices& ui, std::ostream& out) {
  if (!CheckReadable(path, ui)) return 1;
  const FileDispatch file = DispatchFile(path);
  const std::optional<ProbeResult> probe = ProbePicture(path, file, ui.Strings());
  if (!probe) {
    ui.MessageBox(kUnsupportedFormat, MessageIcon::Exclamation, MessageButtons::Ok,
                  {path.string()});
    return 1;
  }
  std::error_code error;
  const std::uintmax_t fileSize = std::filesystem::file_size(path, error);
  out << "File:\t\t" << path.string() << '\n';
  out << "Format:\t\t" << FormatName(file.dispatch.format) << '\n';
  if (!error) out << "File size:\t" << fileSize << " Bytes\n";
  out << ImageSizeText(*probe, ui.Strings()) << '\n';
  if (NeedsRatioLine(file.dispatch.format) && !error && fileSize > 0) {
    // In floating point: a hostile header's size must not wrap the product around.
    const double raw = double(probe->width) * double(probe->height) * probe->bitsPerPixel / 8;
    char ratio[64];
    std::snprintf(ratio, sizeof ratio, "1:%.2f", raw / double(fileSize));
    out << "Compression:\t" << ratio << '\n';
  }
  if (!probe->formatText.empty()) out << probe->formatText << '\n';
  return 0;
}

}  // namespace quillon::convert
