#include "core/pipelines/OpenPipeline.h"

#include <algorithm>
#include <limits>

namespace quillon {

bool OpenPicture(const std::filesystem::path& path, PictureDocument& document,
                 FileIoContext& context, const OpenRequest& request,
                 const PictureReaders& readers) {
  document.GetPicture().InvalidateCaches();
  const FileDispatch file = DispatchFile(path);
  const PictureReader* reader = readers.Select(file);
  if (!reader || !*reader || !(*reader)(path, document, context, request)) {
    if (file.dispatch.reader == ReaderKind::Jpeg2000) {
      document.format = PictureFormat::Unknown;
      if (!request.preview) {
        context.ui.MessageBox(kUnsupportedFormat, MessageIcon::Exclamation, MessageButtons::Ok,
                              {path.string()});
      }
    }
    return false;
  }
  document.format = file.dispatch.format;
  std::error_code error;
  const std::uintmax_t length = std::filesystem::file_size(path, error);
  document.fileSize = error ? 0
                            : static_cast<std::uint32_t>(std::min<std::uintmax_t>(
                                  length, std::numeric_limits<std::uint32_t>::max()));
  return true;
}

}  // namespace quillon
