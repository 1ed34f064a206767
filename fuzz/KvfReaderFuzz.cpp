// The program's reader of current KVF files, whole, as a preview and in part, and the open
// dialog's probe; every path goes through the codec's C interface.
#include "RasterFuzzSupport.h"
#include "core/document/LoadOptions.h"
#include "core/formats/kvf/KvfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  const std::filesystem::path path = fuzz::ScratchFile(data, size);
  LoadOptions part;
  part.type = size % 2 == 0 ? LoadType::FileSize : LoadType::Quality;
  part.sizeKb = 0.5;
  part.quality = 40;
  for (const OpenRequest request :
       {OpenRequest{false, nullptr}, OpenRequest{true, nullptr}, OpenRequest{false, &part}}) {
    fuzz::ReadSilently([&](PictureDocument& document, FileIoContext& context) {
      return ReadKvfCurrent(path, document, context, request);
    });
  }
  static const StringTable strings;
  (void)ProbeKvfCurrent(path, strings);
  return 0;
}
