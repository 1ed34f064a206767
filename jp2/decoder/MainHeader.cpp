// The main header: SOC, SIZ with the tile grid it defines, and every segment up to the first
// SOT, applied with the main header's priorities.
#include <new>

#include "decoder/CodestreamRecords.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint32_t kMaxTiles = 65535;  // Isot is a 16-bit index

// The grid must hold an image, and the first tile must reach into it.
Status CheckGrid(const SizSegment& siz, std::uint64_t tiles[2]) {
  for (int axis = 0; axis < 2; ++axis) {
    const std::uint64_t tileSize = siz.tileSize[axis];
    if (tileSize == 0 || siz.extent[axis] <= siz.offset[axis] ||
        siz.tileOffset[axis] > siz.offset[axis] ||
        siz.tileOffset[axis] + tileSize <= siz.offset[axis]) {
      return JP2_Error_Codestream;
    }
    tiles[axis] = (siz.extent[axis] - siz.tileOffset[axis] + tileSize - 1) / tileSize;
  }
  return tiles[0] * tiles[1] <= kMaxTiles ? JP2_Success : JP2_Error_Codestream;
}

class MainHeaderParser {
 public:
  MainHeaderParser(const MemoryCallbacks& memory, CodestreamParams* params)
      : memory_(memory), params_(params) {}

  Status Siz(std::span<const std::uint8_t> segment) {
    SizSegment siz;
    JP2_RETURN_IF_ERROR(siz.Parse(segment));
    std::uint64_t tiles[2] = {0, 0};
    JP2_RETURN_IF_ERROR(CheckGrid(siz, tiles));
    CodestreamParams& p = *params_;
    p.rsiz = siz.rsiz;
    for (int axis = 0; axis < 2; ++axis) {
      p.extent[axis] = siz.extent[axis];
      p.offset[axis] = siz.offset[axis];
      p.tileSize[axis] = siz.tileSize[axis];
      p.tileOffset[axis] = siz.tileOffset[axis];
    }
    p.tilesAcross = static_cast<std::uint32_t>(tiles[0]);
    p.tilesDown = static_cast<std::uint32_t>(tiles[1]);
    p.tileCount = p.tilesAcross * p.tilesDown;
    p.componentCount = siz.componentCount;

    OwnedBlock self;
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory_, sizeof(CodestreamHeader), &self));
    header_ = new (self.data) CodestreamHeader();
    header_->block = self;
    p.detail = header_;
    BlockLayout layout;
    const std::uint64_t infoAt = layout.Add(siz.componentCount, sizeof(ComponentInfo));
    const std::uint64_t paramsAt = layout.Add(siz.componentCount, sizeof(TileComponentParams));
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory_, layout, &header_->componentBlock));
    header_->components = reinterpret_cast<ComponentInfo*>(header_->componentBlock.data + infoAt);
    header_->mainComponents =
        reinterpret_cast<TileComponentParams*>(header_->componentBlock.data + paramsAt);
    for (std::uint32_t c = 0; c < siz.componentCount; ++c) {
      const SizComponent component = siz.Component(c);
      ComponentInfo& info = header_->components[c];
      info.depth = component.depth;
      info.isSigned = component.isSigned ? 1 : 0;
      info.factor[0] = component.factor[0];
      info.factor[1] = component.factor[1];
    }
    p.components = header_->components;
    return JP2_Success;
  }

  // The main header must give the default coding style and quantization.
  Status Finish() const { return sawCod_ && sawQcd_ ? JP2_Success : JP2_Error_Codestream; }

  // One segment of the main header after SIZ; position is that of its length field.
  Status Segment(std::uint16_t marker, std::span<const std::uint8_t> segment,
                 std::uint64_t position) {
    switch (marker) {
      case kMarkerCod: {
        CodSegment cod;
        JP2_RETURN_IF_ERROR(cod.Parse(segment));
        ApplyTileCoding(cod, kPriorityMainDefault, &header_->mainTile);
        for (int c = 0; c < params_->componentCount; ++c) {
          ApplyCoding(cod.coding, kPriorityMainDefault, &header_->mainComponents[c]);
        }
        params_->anyComponentTransform |= cod.componentTransform != 0;
        sawCod_ = true;
        return JP2_Success;
      }
      case kMarkerCoc: {
        CocSegment coc;
        JP2_RETURN_IF_ERROR(coc.Parse(segment, Components()));
        if (coc.component >= Components()) return JP2_Error_Codestream;
        ApplyCoding(coc.coding, kPriorityMainComponent, &header_->mainComponents[coc.component]);
        return JP2_Success;
      }
      case kMarkerQcd: {
        QcdSegment qcd;
        JP2_RETURN_IF_ERROR(qcd.Parse(segment));
        for (int c = 0; c < params_->componentCount; ++c) {
          ApplyQuantization(qcd.quantization, kPriorityMainDefault, &header_->mainComponents[c]);
        }
        sawQcd_ = true;
        return JP2_Success;
      }
      case kMarkerQcc: {
        QccSegment qcc;
        JP2_RETURN_IF_ERROR(qcc.Parse(segment, Components()));
        if (qcc.component >= Components()) return JP2_Error_Codestream;
        ApplyQuantization(qcc.quantization, kPriorityMainComponent,
                          &header_->mainComponents[qcc.component]);
        return JP2_Success;
      }
      case kMarkerRgn: {
        RgnSegment rgn;
        JP2_RETURN_IF_ERROR(rgn.Parse(segment, Components()));
        if (rgn.component >= Components()) return JP2_Error_Codestream;
        header_->mainComponents[rgn.component].roiShift = rgn.shift;
        return JP2_Success;
      }
      case kMarkerPoc: {
        PocSegment poc;
        JP2_RETURN_IF_ERROR(poc.Parse(segment, Components()));
        return AppendProgressionChanges(memory_, poc, Components(),
                                        &header_->mainProgressionChanges);
      }
      case kMarkerPpm: {
        PpmSegment ppm;
        JP2_RETURN_IF_ERROR(ppm.Parse(segment));
        const auto length = static_cast<std::uint32_t>(ppm.data.size());
        JP2_RETURN_IF_ERROR(RecordPackedSegment(
            memory_, ppm.index, position + PpmSegment::kDataOffset, length, &header_->ppm));
        header_->ppmLength = 0;
        for (const PackedHeaderSegment& slot : header_->ppm.view())
          header_->ppmLength += slot.length;
        return JP2_Success;
      }
      default: {  // COM: checked, not kept
        ComSegment com;
        return com.Parse(segment);
      }
    }
  }

 private:
  std::uint16_t Components() const { return static_cast<std::uint16_t>(params_->componentCount); }

  const MemoryCallbacks& memory_;
  CodestreamParams* params_;
  CodestreamHeader* header_ = nullptr;
  bool sawCod_ = false;
  bool sawQcd_ = false;
};

Status ParseMainHeaderInto(ByteReader& input, std::uint64_t start, const MemoryCallbacks& memory,
                           std::uint8_t* buffer, CodestreamParams* params) {
  std::uint8_t soc[2];
  if (input.Read(start, 2, soc) != 0) return JP2_Error_ShortRead;
  if (soc[0] != 0xFF || soc[1] != (kMarkerSoc & 0xFF)) return JP2_Error_Codestream;
  SegmentScanner scanner(input, start + 2, buffer);
  std::uint16_t marker = 0;
  std::uint16_t length = 0;
  JP2_RETURN_IF_ERROR(scanner.NextMarker(&marker));
  if (marker != kMarkerSiz) return JP2_Error_Codestream;
  JP2_RETURN_IF_ERROR(scanner.ReadLength(&length));
  std::span<const std::uint8_t> segment;
  JP2_RETURN_IF_ERROR(scanner.Load(&segment));
  MainHeaderParser parser(memory, params);
  JP2_RETURN_IF_ERROR(parser.Siz(segment));
  scanner.Skip();
  JP2_RETURN_IF_ERROR(ScanSegments(
      scanner, 0, [](std::uint16_t code) { return HeaderMarkerAction(code, true); },
      [&parser](std::uint16_t code, std::span<const std::uint8_t> bytes, std::uint64_t at) {
        return parser.Segment(code, bytes, at);
      }));
  JP2_RETURN_IF_ERROR(parser.Finish());
  params->firstTilePart = scanner.MarkerPosition();
  return JP2_Success;
}

}  // namespace

Status ParseMainHeader(ByteReader& input, std::uint64_t start, const MemoryCallbacks& memory,
                       CodestreamParams* params) {
  JP2_RETURN_IF_ERROR(ReleaseCodestreamParams(memory, params));
  OwnedBlock buffer;
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, kSegmentBufferSize, &buffer));
  Status result = ParseMainHeaderInto(input, start, memory, buffer.data, params);
  const Status released = Release(memory, &buffer);
  if (!result.ok()) {
    static_cast<void>(ReleaseCodestreamParams(memory, params));  // the parse error comes first
    return result;
  }
  return released;
}

}  // namespace quillon::jp2
