// BMP reader over a file image in memory, and the open dialog's BMP probe.
#include "RasterFuzzSupport.h"
#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/RasterProbes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  fuzz::ReadSilently([&](PictureDocument& document, FileIoContext& context) {
    return ReadBmpMemory({data, size}, document, context);
  });
  static const StringTable strings;
  (void)ProbeBmp(fuzz::ScratchFile(data, size), strings);
  return 0;
}
