// TIFF reader and the open dialog's TIFF probe on one file.
#include "RasterFuzzSupport.h"
#include "core/formats/raster/RasterProbes.h"
#include "core/formats/raster/TiffFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  const auto path = fuzz::ScratchFile(data, size);
  fuzz::ReadSilently([&](PictureDocument& document, FileIoContext& context) {
    return ReadTiff(path, document, context);
  });
  (void)ProbeTiff(path);
  return 0;
}
