// Marker segments of the main header and the tile-part headers: which segments the encoder
// writes and with which values; their layout is that of the shared segment structs.
#include "encoder/CodestreamMarkers.h"

#include <cstring>
#include <limits>

#include "common/CodingSegments.h"
#include "common/StreamSegments.h"
#include "encoder/BandQuantization.h"
#include "encoder/RegionShift.h"

namespace quillon::jp2 {
namespace {

enum QuantStyleCode : std::uint8_t { kNoQuantization = 0, kDerived = 1, kExpounded = 2 };
// A quantization step value: the exponent above an 11-bit mantissa.
constexpr int kStepMantissaBits = 11;
// RGN style of the maximum shift method, the only one the encoder writes.
constexpr std::uint8_t kRoiMaxShift = 0;
constexpr std::uint8_t kCommentText[] = {'Q', 'Z', 'N', 'T', '_', '1', '1', '1'};

// The quantization values of one tile-component as written to QCD or QCC.
struct QuantValues {
  std::uint8_t style = 0;
  std::uint8_t guardBits = 0;
  std::uint8_t levels = 0;
  BandQuantization bands[1 + 3 * (kResolutionSlots - 1)];
  std::uint8_t roiShift = 0;

  int Count() const { return BandCount(levels); }
};

QuantValues QuantOf(const CompressState& state, const TransformSetup& setup, std::uint32_t tile,
                    int component) {
  const TileComponentQuantization inputs = QuantizationInputs(state, setup, tile, component);
  QuantValues values;
  values.style = inputs.style;
  values.guardBits = inputs.guardBits;
  values.levels = inputs.levels;
  ComputeBandQuantization(inputs, values.bands);
  // The shift was checked for every tile-component before anything was written.
  if (setup.regionCount != 0) {
    static_cast<void>(RoiShiftOf(values.bands, values.Count(), &values.roiShift));
  }
  return values;
}

bool SameQuant(const QuantValues& a, const QuantValues& b) {
  if (a.style != b.style || a.guardBits != b.guardBits || a.levels != b.levels) return false;
  for (int i = 0; i < a.Count(); ++i) {
    if (a.bands[i].exponent != b.bands[i].exponent) return false;
    if (a.style != kNoQuantization && a.bands[i].mantissa != b.bands[i].mantissa) return false;
  }
  return true;
}

bool UsesPrecincts(const TileComponentCoding& coding) {
  for (int r = 0; r <= coding.levels; ++r) {
    if (coding.precincts[r] != kNoPrecinctPartition) return true;
  }
  return false;
}

bool SameCoding(const TileComponentCoding& a, const TileComponentCoding& b) {
  if (UsesPrecincts(a) != UsesPrecincts(b) || a.levels != b.levels ||
      a.codeBlockWidthExponent != b.codeBlockWidthExponent ||
      a.codeBlockHeightExponent != b.codeBlockHeightExponent ||
      a.codeBlockStyle != b.codeBlockStyle || a.reversible != b.reversible) {
    return false;
  }
  return !UsesPrecincts(a) || std::memcmp(a.precincts, b.precincts, a.levels + 1u) == 0;
}

bool SameTileCoding(const TileCoding& a, const TileCoding& b) {
  return a.layers == b.layers && a.progression == b.progression && a.markers == b.markers;
}

Quantization SegmentQuantization(const QuantValues& q) {
  Quantization quantization;
  quantization.style = q.style;
  quantization.guardBits = q.guardBits;
  quantization.stepCount = static_cast<std::uint8_t>(q.style == kDerived ? 1 : q.Count());
  for (int i = 0; i < quantization.stepCount; ++i) {
    const BandQuantization& band = q.bands[i];
    const int mantissa = q.style == kNoQuantization ? 0 : band.mantissa;
    quantization.steps[i] =
        static_cast<std::uint16_t>((band.exponent << kStepMantissaBits) + mantissa);
  }
  return quantization;
}

CodingStyle SegmentCoding(const TileComponentCoding& coding) {
  CodingStyle style;
  style.precinctsGiven = UsesPrecincts(coding);
  style.levels = coding.levels;
  style.codeBlockWidthExponent = coding.codeBlockWidthExponent;
  style.codeBlockHeightExponent = coding.codeBlockHeightExponent;
  style.codeBlockStyle = coding.codeBlockStyle;
  style.reversible = coding.reversible ? 1 : 0;
  std::memcpy(style.precincts, coding.precincts, sizeof style.precincts);
  return style;
}

class MarkerWriter {
 public:
  MarkerWriter(const CompressState& state, OutputStream& out)
      : out_(out), components_(static_cast<std::uint16_t>(state.componentCount)) {}

  // QCD with component < 0, else QCC of that component.
  Status Quantization(const QuantValues& q, int component) {
    if (component < 0) return QcdSegment{SegmentQuantization(q)}.Write(out_);
    return QccSegment{static_cast<std::uint16_t>(component), SegmentQuantization(q)}.Write(
        out_, components_);
  }

  Status Cod(const TileCoding& tile, const TileComponentCoding& coding, bool mct) {
    CodSegment cod;
    cod.sop = (tile.markers & JP2_Markers_SOP) != 0;
    cod.eph = (tile.markers & JP2_Markers_EPH) != 0;
    cod.progression = tile.progression;
    cod.layers = tile.layers;
    cod.componentTransform = mct ? 1 : 0;
    cod.coding = SegmentCoding(coding);
    return cod.Write(out_);
  }

  Status Coc(const TileComponentCoding& coding, int component) {
    return CocSegment{static_cast<std::uint16_t>(component), SegmentCoding(coding)}.Write(
        out_, components_);
  }

  Status Rgn(int component, std::uint8_t shift) {
    return RgnSegment{static_cast<std::uint16_t>(component), kRoiMaxShift, shift}.Write(
        out_, components_);
  }

 private:
  OutputStream& out_;
  std::uint16_t components_;
};

Status WriteSiz(const CompressState& state, OutputStream& out) {
  const ReferenceGrid& grid = state.grid;
  SizSegment siz;
  siz.componentCount = static_cast<std::uint16_t>(state.componentCount);
  for (const int axis : {kAxisX, kAxisY}) {
    siz.extent[axis] = grid.extent[axis];
    siz.offset[axis] = grid.offset[axis];
    // A tile size of 0 stands for one tile over the whole grid.
    siz.tileSize[axis] =
        grid.tileSize[axis] != 0 ? grid.tileSize[axis] : grid.extent[axis] - grid.tileOffset[axis];
    siz.tileOffset[axis] = grid.tileOffset[axis];
  }
  return siz.Write(out, [&state](std::uint32_t c) {
    const ComponentGeometry& geometry = state.components[c];
    return SizComponent{
        geometry.depth, geometry.isSigned != 0, {geometry.factor[kAxisX], geometry.factor[kAxisY]}};
  });
}

}  // namespace

Status WriteMainHeader(const CompressState& state, const TransformSetup& setup, OutputStream& out) {
  JP2_RETURN_IF_ERROR(out.PutU16(kMarkerSoc));
  JP2_RETURN_IF_ERROR(WriteSiz(state, out));
  MarkerWriter writer(state, out);
  const QuantValues first = QuantOf(state, setup, 0, 0);
  JP2_RETURN_IF_ERROR(writer.Quantization(first, -1));
  for (int c = 1; c < state.componentCount; ++c) {
    const QuantValues q = QuantOf(state, setup, 0, c);
    if (!SameQuant(q, first)) JP2_RETURN_IF_ERROR(writer.Quantization(q, c));
  }
  const TileComponentCoding& coding = state.Coding(0, 0);
  JP2_RETURN_IF_ERROR(writer.Cod(state.tiles[0], coding, setup.componentTransform));
  for (int c = 1; c < state.componentCount; ++c) {
    if (!SameCoding(state.Coding(0, c), coding)) {
      JP2_RETURN_IF_ERROR(writer.Coc(state.Coding(0, c), c));
    }
  }
  for (int c = 0; c < state.componentCount; ++c) {
    const std::uint8_t shift = c == 0 ? first.roiShift : QuantOf(state, setup, 0, c).roiShift;
    if (shift != 0) JP2_RETURN_IF_ERROR(writer.Rgn(c, shift));
  }
  ComSegment comment;
  comment.text = kCommentText;
  return comment.Write(out);
}

Status WriteTilePartHeader(const CompressState& state, const TransformSetup& setup,
                           std::uint32_t tile, OutputStream& out, std::uint64_t* sotOffset) {
  *sotOffset = out.End();
  SotSegment sot;  // Psot is patched once the tile-part is complete
  sot.tile = static_cast<std::uint16_t>(tile);
  sot.partCount = 1;
  JP2_RETURN_IF_ERROR(sot.Write(out));
  if (tile != 0) {
    MarkerWriter writer(state, out);
    const QuantValues mainDefault = QuantOf(state, setup, 0, 0);
    const QuantValues own = QuantOf(state, setup, tile, 0);
    const bool ownQcd = !SameQuant(own, mainDefault);
    if (ownQcd) JP2_RETURN_IF_ERROR(writer.Quantization(own, -1));
    for (int c = 1; c < state.componentCount; ++c) {
      // A QCC of the main header outranks a QCD of the tile: such a component is compared
      // with its main header values.
      const QuantValues mainValues = QuantOf(state, setup, 0, c);
      const bool mainQcc = !SameQuant(mainValues, mainDefault);
      const QuantValues q = QuantOf(state, setup, tile, c);
      if (!SameQuant(q, ownQcd && !mainQcc ? own : mainValues)) {
        JP2_RETURN_IF_ERROR(writer.Quantization(q, c));
      }
    }
    // Layers, progression and markers live in COD too: a tile that changes them needs its own.
    const TileComponentCoding& coding = state.Coding(tile, 0);
    const bool ownCod = !SameCoding(coding, state.Coding(0, 0)) ||
                        !SameTileCoding(state.tiles[tile], state.tiles[0]);
    if (ownCod)
      JP2_RETURN_IF_ERROR(writer.Cod(state.tiles[tile], coding, setup.componentTransform));
    for (int c = 1; c < state.componentCount; ++c) {
      const bool mainCoc = !SameCoding(state.Coding(0, c), state.Coding(0, 0));
      const TileComponentCoding& reference = ownCod && !mainCoc ? coding : state.Coding(0, c);
      if (!SameCoding(state.Coding(tile, c), reference)) {
        JP2_RETURN_IF_ERROR(writer.Coc(state.Coding(tile, c), c));
      }
    }
  }
  return out.PutU16(kMarkerSod);
}

Status PatchTilePartLength(OutputStream& out, std::uint64_t sotOffset) {
  const std::uint64_t length = out.End() - sotOffset;
  if (length > std::numeric_limits<std::uint32_t>::max()) return JP2_Error_Limit;
  return out.Put32At(sotOffset + SotSegment::kPsotOffset, static_cast<std::uint32_t>(length));
}

}  // namespace quillon::jp2
