// PNG reader over a file image in memory, and the open dialog's PNG probe.
#include "RasterFuzzSupport.h"
#include "core/formats/raster/PngFile.h"
#include "core/formats/raster/RasterProbes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  fuzz::ReadSilently([&](PictureDocument& document, FileIoContext& context) {
    return ReadPngMemory({data, size}, "fuzz.png", document, context);
  });
  static const StringTable strings;
  (void)ProbePng(fuzz::ScratchFile(data, size), strings);
  return 0;
}
