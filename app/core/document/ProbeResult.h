// What a probe reads from a file's header for the open dialog, without decoding the picture.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

struct ProbeResult {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bitsPerPixel = 0;
  // A line about the coding ("Compression:\tYes"/"No" for BMP, "Coding Method:\tASCII"/"Binary"
  // for PNM, the codec's own line for JPEG 2000 and KVF), else empty.
  std::string formatText;
};

}  // namespace quillon
