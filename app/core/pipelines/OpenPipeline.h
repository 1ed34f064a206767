// Opening a picture file into a document: recognise the format by its first bytes, call the
// one reader, and record format and file size.
#pragma once

#include <filesystem>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/ReadRequest.h"
#include "core/pipelines/OpenDispatch.h"

namespace quillon {

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
