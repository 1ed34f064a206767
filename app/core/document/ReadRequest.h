// What an open hands a reader: the request and the reader's signature, shared by the readers
// and the open pipeline that calls them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "core/document/FileIoContext.h"
#include "core/document/LoadOptions.h"
#include "core/document/PictureDocument.h"

namespace quillon {

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

}  // namespace quillon
