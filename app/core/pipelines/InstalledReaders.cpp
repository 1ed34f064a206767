#include "core/formats/jp2/Jpeg2000Reader.h"
#include "core/formats/kvf/KvfReader.h"
#include "core/formats/legacy/LegacyKvfReader.h"
#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/JpegFile.h"
#include "core/formats/raster/PngFile.h"
#include "core/formats/raster/PnmFile.h"
#include "core/formats/raster/RasterProbes.h"
#include "core/formats/raster/TiffFile.h"
#include "core/pipelines/OpenPipeline.h"
#include "core/pipelines/PictureProbe.h"

namespace quillon {

namespace {

using RasterRead = bool (*)(const std::filesystem::path&, PictureDocument&, FileIoContext&);
using RasterProbeFn = std::optional<ProbeResult> (*)(const std::filesystem::path&);

// Raster readers know no partial decoding or preview: they read the whole file.
PictureReader raster(RasterRead read) {
  return
      [read](const std::filesystem::path& path, PictureDocument& document, FileIoContext& context,
             const OpenRequest&) { return read(path, document, context); };
}

PictureProber rasterProbe(RasterProbeFn probe) {
  return [probe](const std::filesystem::path& path, const StringTable&) { return probe(path); };
}

}  // namespace

const PictureReaders& InstalledReaders() {
  static const PictureReaders readers{
      .pnm = raster(&ReadPnm),
      .jpeg = raster(&ReadJpeg),
      .tiff = raster(&ReadTiff),
      .bmp = raster(&ReadBmp),
      .png = raster(&ReadPng),
      .kvfLegacy = &ReadKvfLegacy,
      .kvfCurrent = &ReadKvfCurrent,
      .jpeg2000 = &ReadJpeg2000,
  };
  return readers;
}

const PictureProbers& InstalledProbers() {
  static const PictureProbers probers{
      .pnm = &ProbePnm,
      .jpeg = rasterProbe(&ProbeJpeg),
      .tiff = rasterProbe(&ProbeTiff),
      .bmp = &ProbeBmp,
      .png = &ProbePng,
      .kvfLegacy = &ProbeKvfLegacy,
      .kvfCurrent = &ProbeKvfCurrent,
      .jpeg2000 = &ProbeJpeg2000,
  };
  return probers;
}

}  // namespace quillon
