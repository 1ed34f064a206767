// PGM/PPM reader and the open dialog's PNM probe on one file.
#include "RasterFuzzSupport.h"
#include "core/formats/raster/PnmFile.h"
#include "core/formats/raster/RasterProbes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  const auto path = fuzz::ScratchFile(data, size);
  fuzz::ReadSilently([&](PictureDocument& document, FileIoContext& context) {
    return ReadPnm(path, document, context);
  });
  static const StringTable strings;
  (void)ProbePnm(path, strings);
  return 0;
}
