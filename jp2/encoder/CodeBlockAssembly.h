// Collects the subband rows of one tile-component into rows of code-blocks: each coefficient
// is quantized (irreversible) or taken as it is (reversible), made sign and magnitude, shifted
// where a region of interest covers it, and every code-block goes to the sink once its last
// row has arrived. Only one row of code-blocks per subband is held.
#pragma once

#include <cstdint>

#include "common/WorkArena.h"
#include "encoder/CodeBlockSink.h"
#include "encoder/RegionShift.h"
#include "encoder/WaveletCascade.h"

namespace quillon::jp2 {

struct TileComponentPlan {
  std::uint32_t tile = 0;
  int component = 0;
  Rect area;  // the tile-component
  const TileComponentCoding* coding = nullptr;
  const BandQuantization* quantization = nullptr;  // BandCount(levels) entries
  std::uint8_t roiShift = 0;
  const GridRegion* regions = nullptr;
  std::uint32_t regionCount = 0;
  std::uint32_t factorX = 1, factorY = 1;
};

// Code-block size exponents at a resolution: limited by the precinct size, which at every
// resolution but 0 holds code-blocks of half its size.
void CodeBlockExponents(const TileComponentCoding& coding, int resolution, int* xcb, int* ycb);

class CodeBlockAssembly final : public BandRowSink<std::int32_t>, public BandRowSink<float> {
 public:
  static constexpr int kMaxBands = 1 + 3 * 16;

  // Call once on a sizing arena and once on the carving arena.
  void Plan(const TileComponentPlan& plan, CodeBlockSink* sink, WorkArena& arena);

  Status TakeBandRow(int level, BandOrientation band, std::uint32_t row,
                     const std::int32_t* samples, std::uint32_t count) override;
  Status TakeBandRow(int level, BandOrientation band, std::uint32_t row, const float* samples,
                     std::uint32_t count) override;

 private:
  struct Band {
    Rect area;
    int resolution = 0;
    BandOrientation orientation = kBandLL;
    int xcb = 0, ycb = 0;
    std::uint32_t* rows = nullptr;  // one row of code-blocks
    BandFootprint footprint;
  };

  Band& BandOf(int level, BandOrientation orientation);
  // Shifts region coefficients of a stored row and hands the code-blocks on when complete.
  Status FinishRow(Band& band, std::uint32_t row, std::uint32_t* stored);
  std::uint32_t* StoredRow(Band& band, std::uint32_t row);

  TileComponentPlan plan_;
  CodeBlockSink* sink_ = nullptr;
  Band bands_[kMaxBands];
};

}  // namespace quillon::jp2
