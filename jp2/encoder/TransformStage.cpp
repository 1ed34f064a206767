#include "encoder/TransformStage.h"

#include <algorithm>
#include <bit>
#include <new>

#include "common/ComponentTransforms.h"
#include "common/WorkArena.h"
#include "encoder/CodeBlockAssembly.h"
#include "encoder/SampleIntake.h"
#include "encoder/TileGeometry.h"
#include "encoder/WaveletCascade.h"

namespace quillon::jp2 {
namespace {

constexpr int kTransformed = 3;

double UncompressedBytes(const CompressState& state) {
  double bits = 0.0;
  for (int c = 0; c < state.componentCount; ++c) {
    const ComponentGeometry& component = state.components[c];
    bits += static_cast<double>(component.size[kAxisX]) * component.size[kAxisY] * component.depth;
  }
  return bits / 8.0;
}

Status CheckRegionShifts(const CompressState& state, const TransformSetup& setup) {
  BandQuantization bands[CodeBlockAssembly::kMaxBands];
  for (std::uint32_t tile = 0; tile < state.tileCount; ++tile) {
    for (int c = 0; c < state.componentCount; ++c) {
      const TileComponentQuantization inputs = QuantizationInputs(state, setup, tile, c);
      ComputeBandQuantization(inputs, bands);
      std::uint8_t shift = 0;
      JP2_RETURN_IF_ERROR(RoiShiftOf(bands, BandCount(inputs.levels), &shift));
    }
  }
  return JP2_Success;
}

// One component's part of a tile.
struct ComponentWork {
  Rect area;
  bool reversible = true;
  float scale = 1.0f;  // of the irreversible path
  SampleFormat format;
  BandQuantization* bands = nullptr;
  WaveletCascade<std::int32_t>* integerWavelet = nullptr;
  WaveletCascade<float>* floatWavelet = nullptr;
  CodeBlockAssembly* assembly = nullptr;
};

// Everything a tile works with; the pointers come from the tile's one allocation.
struct TileWork {
  std::uint8_t* elements = nullptr;  // one delivered row segment
  std::int32_t* integerRows[kTransformed] = {};
  float* floatRows[kTransformed] = {};
  ComponentWork* components = nullptr;
};

// In the sizing pass the arena hands out nothing; objects are then planned in scratch.
template <typename T>
T* Construct(WorkArena& arena, T* scratch) {
  T* place = arena.Take<T>(1);
  return place != nullptr ? new (place) T() : scratch;
}

class TileRun {
 public:
  TileRun(const CompressState& state, const TransformSetup& setup, std::uint32_t tile,
          CodeBlockSink& sink)
      : state_(state), setup_(setup), tile_(tile), sink_(sink), rect_(TileRect(state, tile)) {}

  Status Run() {
    WorkArena sizing;
    Plan(sizing);
    OwnedBlock block;
    JP2_RETURN_IF_ERROR(AllocateZeroed(state_.memory, sizing.Layout(), &block));
    WorkArena carving(block.data);
    Plan(carving);
    const Status pulled = PullRows();
    // The coder may still read the tile's quantization records, which live in block.
    const Status coded = sink_.Flush();
    const Status released = Release(state_.memory, &block);
    return !pulled.ok() ? pulled : !coded.ok() ? coded : released;
  }

 private:
  void Plan(WorkArena& arena) {
    const int count = state_.componentCount;
    const bool transform = setup_.componentTransform;
    std::uint64_t widest = 0;
    std::uint64_t widestBytes = 0;
    work_.components = arena.Take<ComponentWork>(count);
    for (int c = 0; c < count; ++c) {
      ComponentWork scratch;
      ComponentWork& component =
          work_.components != nullptr ? *new (&work_.components[c]) ComponentWork() : scratch;
      PlanComponent(c, arena, component);
      widest = std::max<std::uint64_t>(widest, component.area.Width());
      widestBytes = std::max<std::uint64_t>(widestBytes, std::uint64_t{component.area.Width()} *
                                                             ElementBytes(component.format.depth));
    }
    work_.elements = arena.Take<std::uint8_t>(widestBytes);
    const int rows = transform ? kTransformed : 1;
    for (int i = 0; i < rows; ++i) {
      work_.integerRows[i] = arena.Take<std::int32_t>(widest);
      work_.floatRows[i] = arena.Take<float>(widest);
    }
  }

  void PlanComponent(int c, WorkArena& arena, ComponentWork& component) {
    const TileComponentCoding& coding = state_.Coding(tile_, c);
    const ComponentGeometry& geometry = state_.components[c];
    component.area = TileComponentRect(state_, rect_, c);
    component.reversible = coding.reversible != 0;
    component.scale = IrreversibleScale(geometry.depth, coding.guardBits);
    component.format = {geometry.depth, geometry.isSigned != 0,
                        state_.byteOrder != (std::endian::native == std::endian::big ? 1u : 0u)};

    const TileComponentQuantization inputs = QuantizationInputs(state_, setup_, tile_, c);
    BandQuantization bandScratch[CodeBlockAssembly::kMaxBands];
    BandQuantization* bands = arena.Take<BandQuantization>(BandCount(inputs.levels));
    component.bands = bands != nullptr ? bands : bandScratch;
    ComputeBandQuantization(inputs, component.bands);
    std::uint8_t shift = 0;
    if (setup_.regionCount != 0) {
      // Checked for every tile-component before the first callback.
      static_cast<void>(RoiShiftOf(component.bands, BandCount(inputs.levels), &shift));
    }

    TileComponentPlan plan;
    plan.tile = tile_;
    plan.component = c;
    plan.area = component.area;
    plan.coding = &coding;
    plan.quantization = component.bands;
    plan.roiShift = shift;
    plan.regions = setup_.regions;
    plan.regionCount = setup_.regionCount;
    plan.factorX = geometry.factor[kAxisX];
    plan.factorY = geometry.factor[kAxisY];
    CodeBlockAssembly assemblyScratch;
    component.assembly = Construct(arena, &assemblyScratch);
    component.assembly->Plan(plan, &sink_, arena);
    if (component.reversible) {
      WaveletCascade<std::int32_t> waveletScratch;
      component.integerWavelet = Construct(arena, &waveletScratch);
      component.integerWavelet->Plan(component.area, coding.levels, arena);
    } else {
      WaveletCascade<float> waveletScratch;
      component.floatWavelet = Construct(arena, &waveletScratch);
      component.floatWavelet->Plan(component.area, coding.levels, arena);
    }
  }

  // Reference-grid rows from the tile's top down; per row the components it holds samples of.
  Status PullRows() {
    const auto input = reinterpret_cast<JP2_InputRowCallback>(state_.inputCallback);
    for (std::uint32_t y = rect_.y0; y < rect_.y1; ++y) {
      for (int c = 0; c < state_.componentCount; ++c) {
        const ComponentGeometry& geometry = state_.components[c];
        const std::uint32_t fy = geometry.factor[kAxisY];
        ComponentWork& component = work_.components[c];
        if (y % fy != 0 || component.area.Empty()) continue;
        const std::uint32_t row = y / fy - CeilDiv(state_.grid.offset[kAxisY], fy);
        const std::uint32_t column =
            component.area.x0 - CeilDiv(state_.grid.offset[kAxisX], geometry.factor[kAxisX]);
        const std::uint32_t count = component.area.Width();
        const std::int32_t delivered = input(work_.elements, static_cast<std::int16_t>(c), row,
                                             column, count, state_.inputParam);
        if (delivered != 0) return delivered;
        const bool joined = setup_.componentTransform && c < kTransformed;
        std::int32_t* values = work_.integerRows[joined ? c : 0];
        ConvertElements(work_.elements, count, component.format, values);
        if (!joined) {
          JP2_RETURN_IF_ERROR(PushRow(component, values, work_.floatRows[0]));
        } else if (c == kTransformed - 1) {
          JP2_RETURN_IF_ERROR(PushTransformedRows(count));
        }
      }
    }
    return JP2_Success;
  }

  Status PushTransformedRows(std::uint32_t count) {
    std::int32_t* const* ints = work_.integerRows;
    float* const* floats = work_.floatRows;
    if (work_.components[0].reversible) {
      ForwardRct(ints[0], ints[1], ints[2], count);
      for (int c = 0; c < kTransformed; ++c) {
        JP2_RETURN_IF_ERROR(PushRow(work_.components[c], ints[c], nullptr));
      }
      return JP2_Success;
    }
    // The transform is linear, so each component can take its own scale afterwards.
    for (int c = 0; c < kTransformed; ++c) ScaleToFloats(ints[c], count, 1.0f, floats[c]);
    ForwardIct(floats[0], floats[1], floats[2], count);
    for (int c = 0; c < kTransformed; ++c) {
      ComponentWork& component = work_.components[c];
      for (std::uint32_t i = 0; i < count; ++i) floats[c][i] *= component.scale;
      JP2_RETURN_IF_ERROR(component.floatWavelet->PushRow(floats[c], *component.assembly));
    }
    return JP2_Success;
  }

  // Pushes one row of integer samples; the irreversible path converts it into floats first.
  static Status PushRow(ComponentWork& component, const std::int32_t* values, float* floats) {
    if (component.reversible) return component.integerWavelet->PushRow(values, *component.assembly);
    ScaleToFloats(values, component.area.Width(), component.scale, floats);
    return component.floatWavelet->PushRow(floats, *component.assembly);
  }

  const CompressState& state_;
  const TransformSetup& setup_;
  const std::uint32_t tile_;
  CodeBlockSink& sink_;
  const Rect rect_;
  TileWork work_;
};

}  // namespace

bool UsesComponentTransform(const CompressState& state) {
  if (state.Palette() != nullptr || state.componentCount < kTransformed) return false;
  const bool rgb =
      state.colourSpace == JP2_Colour_sRGB ||
      (state.colourSpace == JP2_Colour_ICC && state.iccInfo.approximation == JP2_Colour_sRGB);
  if (!rgb) return false;
  const ComponentGeometry* c = state.components;
  for (int i = 1; i < kTransformed; ++i) {
    if (c[i].factor[kAxisX] != c[0].factor[kAxisX] || c[i].factor[kAxisY] != c[0].factor[kAxisY] ||
        c[i].depth != c[0].depth || c[i].isSigned != c[0].isSigned) {
      return false;
    }
  }
  for (std::uint32_t t = 0; t < state.tileCount; ++t) {
    for (int i = 1; i < kTransformed; ++i) {
      if (state.Coding(t, i).reversible != state.Coding(t, 0).reversible) return false;
    }
  }
  return true;
}

TileComponentQuantization QuantizationInputs(const CompressState& state,
                                             const TransformSetup& setup, std::uint32_t tile,
                                             int component) {
  const TileComponentCoding& coding = state.Coding(tile, component);
  TileComponentQuantization inputs;
  inputs.depth = state.components[component].depth;
  inputs.guardBits = coding.guardBits;
  inputs.levels = coding.levels;
  inputs.style = coding.quantStyle;
  inputs.reversible = coding.reversible != 0;
  inputs.transformComponent = setup.componentTransform && component < kTransformed ? component : -1;
  inputs.targeted = setup.targeted;
  inputs.targetStepFactor = setup.targetStepFactor;
  inputs.visualWeighting = state.visualWeighting;
  return inputs;
}

Status PrepareTransforms(CompressState& state, TransformSetup* setup) {
  *setup = TransformSetup{};
  bool oneBit = false;
  for (int c = 0; c < state.componentCount; ++c) oneBit = oneBit || state.components[c].depth == 1;
  if (oneBit) {
    for (std::uint32_t t = 0; t < state.tileCount; ++t) state.tiles[t].layers = 1;
  }
  setup->componentTransform = UsesComponentTransform(state);
  setup->regionCount = MapRegions(state, setup->regions);
  if (state.targetSize != 0 && setup->regionCount == 0) {
    setup->targeted = true;
    setup->targetStepFactor = TargetStepFactor(UncompressedBytes(state) / state.targetSize);
  }
  if (setup->regionCount != 0) JP2_RETURN_IF_ERROR(CheckRegionShifts(state, *setup));
  return JP2_Success;
}

Status TransformTile(const CompressState& state, const TransformSetup& setup, std::uint32_t tile,
                     CodeBlockSink& sink) {
  return TileRun(state, setup, tile, sink).Run();
}

Status RunTransformStage(CompressState& state, CodeBlockSink& sink) {
  TransformSetup setup;
  JP2_RETURN_IF_ERROR(PrepareTransforms(state, &setup));
  for (std::uint32_t tile = 0; tile < state.tileCount; ++tile) {
    JP2_RETURN_IF_ERROR(TransformTile(state, setup, tile, sink));
  }
  return JP2_Success;
}

}  // namespace quillon::jp2
