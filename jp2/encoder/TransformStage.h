// The transform stage of JP2_Compress_Image: preparation of the quantization and region
// settings, then per tile the intake of rows through the input callback, the component
// transform, the wavelet and the hand-over of finished code-blocks.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "encoder/BandQuantization.h"
#include "encoder/CodeBlockSink.h"
#include "encoder/CompressState.h"
#include "encoder/RegionShift.h"

namespace quillon::jp2 {

struct TransformSetup {
  bool componentTransform = false;  // RCT or ICT on components 0 to 2
  bool targeted = false;            // a target size without regions refines the steps
  double targetStepFactor = 1.0;
  GridRegion regions[kMaxRegions] = {};
  std::uint32_t regionCount = 0;
};

// Whether components 0 to 2 go through the component transform: sRGB, or an ICC profile of
// RGB colour, without a palette, with three matching components.
bool UsesComponentTransform(const CompressState& state);

// The quantization inputs of one tile-component.
TileComponentQuantization QuantizationInputs(const CompressState& state,
                                             const TransformSetup& setup, std::uint32_t tile,
                                             int component);

// Runs after validation and before any callback: drops layers of tiles that hold a 1-bit
// component, fixes the setup and checks the region shift of every tile-component (-39).
Status PrepareTransforms(CompressState& state, TransformSetup* setup);

// Pulls every row of one tile and hands its code-blocks to sink; the tile's working memory
// is one allocation, released before returning.
Status TransformTile(const CompressState& state, const TransformSetup& setup, std::uint32_t tile,
                     CodeBlockSink& sink);

// Preparation, then every tile in raster order.
Status RunTransformStage(CompressState& state, CodeBlockSink& sink);

}  // namespace quillon::jp2
