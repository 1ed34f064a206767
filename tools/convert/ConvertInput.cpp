#include "tools/convert/ConvertInput.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/document/PictureFormatName.h"
#include "core/pipelines/OpenPipeline.h"

namespace quillon::convert {

bool CheckReadable(const std::filesystem::path& path, TextUiServices& ui) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    ui.Report("cannot read '" + path.string() + "': it is a directory");
    return false;
  }
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    const int cause = errno;
    ui.Report("cannot read '" + path.string() +
              "': " + (cause != 0 ? std::strerror(cause) : "cannot open the file"));
    return false;
  }
  return true;
}

bool OpenInput(const std::filesystem::path& path, PictureDocument& document, FileIoContext& context,
               TextUiServices& ui, const ConvertArguments& arguments) {
  if (!CheckReadable(path, ui)) return false;
  const int messagesBefore = ui.MessageCount();
  const OpenRequest request{.preview = false,
                            .load = arguments.load ? &*arguments.load : nullptr,
                            .reduce = std::uint32_t{1} << arguments.reduce.value_or(0),
                            .fitSide = std::uint32_t(arguments.thumbnailSide.value_or(0))};
  if (OpenPicture(path, document, context, request)) return true;
  if (ui.MessageCount() == messagesBefore) ui.Report("could not open '" + path.string() + "'");
  return false;
}

std::string FormatName(PictureFormat format) {
  const std::string_view name = PictureFormatName(format);
  return name.empty() ? "unknown" : std::string(name);
}

}  // namespace quillon::convert
