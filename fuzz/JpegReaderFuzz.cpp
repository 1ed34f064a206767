// JPEG reader and the open dialog's JPEG probe on one file.
#include "RasterFuzzSupport.h"
#include "core/formats/raster/JpegFile.h"
#include "core/formats/raster/RasterProbes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  const auto path = fuzz::ScratchFile(data, size);
  fuzz::ReadSilently([&](PictureDocument& document, FileIoContext& context) {
    return ReadJpeg(path, document, context);
  });
  (void)ProbeJpeg(path);
  return 0;
}
