// Marker segments of the main header and the tile-part headers (T.800 Annex A).
#include "encoder/CodestreamMarkers.h"

#include <cstring>
#include <initializer_list>
#include <limits>

#include "encoder/BandQuantization.h"
#include "encoder/RegionShift.h"

namespace quillon::jp2 {
namespace {

enum Marker : std::uint16_t {
  kSoc = 0xFF4F,
  kSiz = 0xFF51,
  kCod = 0xFF52,
  kCoc = 0xFF53,
  kQcd = 0xFF5C,
  kQcc = 0xFF5D,
  kRgn = 0xFF5E,
  kCom = 0xFF64,
  kSot = 0xFF90,
  kSod = 0xFF93,
};

enum QuantStyleCode : std::uint8_t { kNoQuantization = 0, kDerived = 1, kExpounded = 2 };
constexpr std::uint8_t kCommentText[] = {'Q', 'Z', 'N', 'T', '_', '1', '1', '1'};
constexpr std::uint16_t kSotLength = 10;

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

class MarkerWriter {
 public:
  MarkerWriter(const CompressState& state, OutputStream& out) : state_(state), out_(out) {}

  Status Component(int component) {
    if (state_.componentCount < 257) return out_.Append(Byte(component), 1);
    return out_.Append16(static_cast<std::uint16_t>(component));
  }
  std::uint16_t ComponentBytes() const { return state_.componentCount < 257 ? 1 : 2; }

  // QCD with component < 0, else QCC of that component.
  Status Quantization(const QuantValues& q, int component) {
    const int values = q.style == kDerived ? 1 : q.Count();
    const std::uint32_t valueBytes = q.style == kNoQuantization ? 1 : 2;
    const std::uint32_t index = component < 0 ? 0 : ComponentBytes();
    JP2_RETURN_IF_ERROR(out_.Append16(component < 0 ? kQcd : kQcc));
    JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(3 + index + values * valueBytes)));
    if (component >= 0) JP2_RETURN_IF_ERROR(Component(component));
    JP2_RETURN_IF_ERROR(out_.Append(Byte(q.guardBits * 32 + q.style), 1));
    for (int i = 0; i < values; ++i) {
      const BandQuantization& band = q.bands[i];
      if (q.style == kNoQuantization) {
        JP2_RETURN_IF_ERROR(out_.Append(Byte(band.exponent << 3), 1));
      } else {
        JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(band.exponent * 2048 + band.mantissa)));
      }
    }
    return JP2_Success;
  }

  // The code-block and transform fields shared by COD and COC, with the precinct sizes.
  Status CodingFields(const TileComponentCoding& coding) {
    const std::uint8_t fields[] = {coding.levels,
                                   static_cast<std::uint8_t>(coding.codeBlockWidthExponent - 2),
                                   static_cast<std::uint8_t>(coding.codeBlockHeightExponent - 2),
                                   coding.codeBlockStyle,
                                   static_cast<std::uint8_t>(coding.reversible ? 1 : 0)};
    JP2_RETURN_IF_ERROR(out_.Append(fields, sizeof fields));
    if (!UsesPrecincts(coding)) return JP2_Success;
    return out_.Append(coding.precincts, coding.levels + 1u);
  }

  Status Cod(const TileCoding& tile, const TileComponentCoding& coding, bool mct) {
    const bool precincts = UsesPrecincts(coding);
    JP2_RETURN_IF_ERROR(out_.Append16(kCod));
    JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(precincts ? 13 + coding.levels : 12)));
    const std::uint8_t scod = static_cast<std::uint8_t>((precincts ? 1 : 0) | ((tile.markers & 1) ? 2 : 0) |
                                                        ((tile.markers & 2) ? 4 : 0));
    const std::uint8_t head[] = {scod, tile.progression};
    JP2_RETURN_IF_ERROR(out_.Append(head, sizeof head));
    JP2_RETURN_IF_ERROR(out_.Append16(tile.layers));
    JP2_RETURN_IF_ERROR(out_.Append(Byte(mct ? 1 : 0), 1));
    return CodingFields(coding);
  }

  Status Coc(const TileComponentCoding& coding, int component) {
    const bool precincts = UsesPrecincts(coding);
    const std::uint32_t length = 8 + ComponentBytes() + (precincts ? coding.levels + 1u : 0u);
    JP2_RETURN_IF_ERROR(out_.Append16(kCoc));
    JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(length)));
    JP2_RETURN_IF_ERROR(Component(component));
    JP2_RETURN_IF_ERROR(out_.Append(Byte(precincts ? 1 : 0), 1));
    return CodingFields(coding);
  }

  Status Rgn(int component, std::uint8_t shift) {
    JP2_RETURN_IF_ERROR(out_.Append16(kRgn));
    JP2_RETURN_IF_ERROR(out_.Append16(static_cast<std::uint16_t>(4 + ComponentBytes())));
    JP2_RETURN_IF_ERROR(Component(component));
    const std::uint8_t fields[] = {0, shift};
    return out_.Append(fields, sizeof fields);
  }

 private:
  const std::uint8_t* Byte(int value) {
    byte_ = static_cast<std::uint8_t>(value);
    return &byte_;
  }

  const CompressState& state_;
  OutputStream& out_;
  std::uint8_t byte_ = 0;
};

Status WriteSiz(const CompressState& state, OutputStream& out) {
  JP2_RETURN_IF_ERROR(out.Append16(kSiz));
  JP2_RETURN_IF_ERROR(out.Append16(static_cast<std::uint16_t>(38 + 3 * state.componentCount)));
  JP2_RETURN_IF_ERROR(out.Append16(0));
  const ReferenceGrid& grid = state.grid;
  // A tile size of 0 stands for one tile over the whole grid.
  const std::uint32_t tileWidth = grid.tileSize[kAxisX] != 0
                                      ? grid.tileSize[kAxisX]
                                      : grid.extent[kAxisX] - grid.tileOffset[kAxisX];
  const std::uint32_t tileHeight = grid.tileSize[kAxisY] != 0
                                       ? grid.tileSize[kAxisY]
                                       : grid.extent[kAxisY] - grid.tileOffset[kAxisY];
  for (const std::uint32_t value :
       {grid.extent[kAxisX], grid.extent[kAxisY], grid.offset[kAxisX], grid.offset[kAxisY],
        tileWidth, tileHeight, grid.tileOffset[kAxisX], grid.tileOffset[kAxisY]}) {
    JP2_RETURN_IF_ERROR(out.Append32(value));
  }
  JP2_RETURN_IF_ERROR(out.Append16(static_cast<std::uint16_t>(state.componentCount)));
  for (int c = 0; c < state.componentCount; ++c) {
    const ComponentGeometry& geometry = state.components[c];
    const std::uint8_t fields[] = {
        static_cast<std::uint8_t>((geometry.depth - 1) | (geometry.isSigned ? 0x80 : 0)),
        geometry.factor[kAxisX], geometry.factor[kAxisY]};
    JP2_RETURN_IF_ERROR(out.Append(fields, sizeof fields));
  }
  return JP2_Success;
}

}  // namespace

Status WriteMainHeader(const CompressState& state, const TransformSetup& setup,
                       OutputStream& out) {
  JP2_RETURN_IF_ERROR(out.Append16(kSoc));
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
  JP2_RETURN_IF_ERROR(out.Append16(kCom));
  JP2_RETURN_IF_ERROR(out.Append16(4 + sizeof kCommentText));
  JP2_RETURN_IF_ERROR(out.Append16(1));
  return out.Append(kCommentText, sizeof kCommentText);
}

Status WriteTilePartHeader(const CompressState& state, const TransformSetup& setup,
                           std::uint32_t tile, OutputStream& out, std::uint64_t* sotOffset) {
  *sotOffset = out.End();
  JP2_RETURN_IF_ERROR(out.Append16(kSot));
  JP2_RETURN_IF_ERROR(out.Append16(kSotLength));
  JP2_RETURN_IF_ERROR(out.Append16(static_cast<std::uint16_t>(tile)));
  JP2_RETURN_IF_ERROR(out.Append32(0));
  const std::uint8_t parts[] = {0, 1};
  JP2_RETURN_IF_ERROR(out.Append(parts, sizeof parts));
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
    if (ownCod) JP2_RETURN_IF_ERROR(writer.Cod(state.tiles[tile], coding, setup.componentTransform));
    for (int c = 1; c < state.componentCount; ++c) {
      const bool mainCoc = !SameCoding(state.Coding(0, c), state.Coding(0, 0));
      const TileComponentCoding& reference = ownCod && !mainCoc ? coding : state.Coding(0, c);
      if (!SameCoding(state.Coding(tile, c), reference)) {
        JP2_RETURN_IF_ERROR(writer.Coc(state.Coding(tile, c), c));
      }
    }
  }
  return out.Append16(kSod);
}

Status PatchTilePartLength(OutputStream& out, std::uint64_t sotOffset) {
  const std::uint64_t length = out.End() - sotOffset;
  if (length > std::numeric_limits<std::uint32_t>::max()) return JP2_Error_Limit;
  return out.Put32At(sotOffset + 6, static_cast<std::uint32_t>(length));
}

}  // namespace quillon::jp2
