// Opening a picture file into a document: recognise the format by its first bytes, call the
// one reader, and record format and file size.
#pragma once

#include <filesystem>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/ReadRequest.h"
#include "core/pipelines/OpenDispatch.h"

namespace quillon {

<<<<<<< HEAD
=======
struct OpenRequest {
  bool preview = false;
  // The loading options to apply; null decodes the whole file.
  const LoadOptions* load = nullptr;
  // JPEG 2000: decode at 1 / reduce of the size (a power of two); a preview picks its own.
  std::uint32_t reduce = 1;
  // A thumbnail of at most fitSide x fitSide is wanted: JPEG 2000 and KVF readers decode at
  // the smallest size whose longer side is still at least fitSide. 0 decodes at full size.
  std::uint32_t fitSide = 0;
};

// A reader fills the document's picture and returns true, or reports its own failure and
// returns false.
using PictureReader = std::function<bool(const std::filesystem::path&, PictureDocument&,
                                         FileIoContext&, const OpenRequest&)>;

>>>>>>> package
using PictureReaders = ByReader<PictureReader>;

// The readers of this build; a format whose reader is not built fails to open.
const PictureReaders& InstalledReaders();

inline constexpr StringId kUnsupportedFormat = 33003;  // "File '%s' has an unsupported format !"

// Opens `path` into `document`. Shows message 33003 when no reader recognises the file (not
// in preview mode); every other failure is reported by the reader itself.
bool OpenPicture(const std::filesystem::path& path, PictureDocument& document,
                 FileIoContext& context, const OpenRequest& request,
                 const PictureReaders& readers = InstalledReaders());

}  // namespace quillon
