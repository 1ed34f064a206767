// The codestream's parameters as the decoder reads them: SIZ, the coding and quantization
// values of the main header and of every tile-part header, with the priority of the segment
// that set them, progression order changes and packed packet header segments.
//
// Memory stays proportional to the input: the main header's values are held once per
// component; a tile gets records of its own only when one of its tile-part headers is parsed
// (each tile-part costs input bytes), so a tiny file claiming 65,535 tiles of 16,384
// components allocates nothing per tile.
#pragma once

#include <cstdint>
#include <span>

#include "common/CodecMemory.h"
#include "common/Status.h"
#include "decoder/ByteReader.h"

namespace quillon::jp2 {

inline constexpr int kDecoderMaxComponents = 16384;
inline constexpr int kDecoderResolutionSlots = 33;  // levels 0..32
inline constexpr int kDecoderBandSlots = 1 + 3 * (kDecoderResolutionSlots - 1);

struct ComponentInfo {
  std::uint8_t depth = 0;  // 1..38
  std::uint8_t isSigned = 0;
  std::uint8_t factor[2] = {1, 1};  // XRsiz, YRsiz
};

// Bounds on the reference grid or in component samples: x0, y0 inclusive, x1, y1 exclusive.
struct Bounds {
  std::uint32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::uint32_t Width() const { return x1 - x0; }
  std::uint32_t Height() const { return y1 - y0; }
};

// Priorities of the segment that set a value: a segment overwrites values whose priority is
// not higher than its own.
enum SegmentPriority : std::uint8_t {
  kPriorityNone = 0,
  kPriorityMainDefault = 1,    // main-header COD or QCD
  kPriorityMainComponent = 2,  // main-header COC or QCC
  kPriorityTileDefault = 3,    // tile-part COD or QCD
  kPriorityTileComponent = 4,  // tile-part COC or QCC
};

struct TileComponentParams {
  std::uint8_t levels = 0;
  std::uint8_t codeBlockWidthExponent = 0;   // xcb + 2
  std::uint8_t codeBlockHeightExponent = 0;  // ycb + 2
  std::uint8_t codeBlockStyle = 0;           // bits 0..5 as property 75
  std::uint8_t reversible = 0;               // 1: 5/3, 0: 9/7
  std::uint8_t quantStyle = 0;               // 0 none, 1 scalar derived, 2 scalar expounded
  std::uint8_t guardBits = 0;
  std::uint8_t roiShift = 0;
  std::uint8_t precincts[kDecoderResolutionSlots];  // PPy * 16 + PPx per resolution level
  std::uint16_t bandSteps[kDecoderBandSlots];       // exponent << 11 | mantissa per sub-band
  std::uint8_t stepCount = 0;  // bandSteps given: 1 for scalar derived, else 1 + 3 x levels
  std::uint8_t codingPriority = kPriorityNone;
  std::uint8_t quantPriority = kPriorityNone;
};

// One progression order change entry (POC).
struct ProgressionChange {
  std::uint16_t componentStart = 0, componentEnd = 0;
  std::uint16_t layerEnd = 0;
  std::uint8_t resolutionStart = 0, resolutionEnd = 0;
  std::uint8_t progression = 0;
};

struct TileParams {
  std::uint8_t progression = 0;  // 0 LRCP .. 4 CPRL
  std::uint16_t layers = 0;
  std::uint8_t componentTransform = 0;
  std::uint8_t markers = 0;  // bit 0 SOP, bit 1 EPH (property 60)
  std::uint8_t codingPriority = kPriorityNone;
};

enum PackedHeaderSource : std::uint8_t {
  kPackedHeadersNone = 0,  // packet headers precede their bodies in the tile-part
  kPackedHeadersPpm = 1,
  kPackedHeadersPpt = 2,
};

// One PPM or PPT segment's data: Z index, input offset and length. Lists are in Z order.
struct PackedHeaderSegment {
  std::uint8_t index = 0;
  std::uint64_t offset = 0;
  std::uint32_t length = 0;
};

// Where one tile-part's header ends and its packet data lies.
struct TilePartInfo {
  std::uint32_t tile = 0;
  std::uint8_t partIndex = 0;      // TPsot
  std::uint8_t partCount = 0;      // TNsot, 0 when unknown
  std::uint64_t nextTilePart = 0;  // offset of the next SOT; 0 when Psot was 0 (runs to the end)
  std::uint64_t dataStart = 0;     // first byte after SOD
  std::uint64_t dataEnd = 0;       // one past the last byte of the tile-part (0 with Psot 0)
  // With PPM, this tile-part's packet headers: packedLength bytes from packedStart in the
  // stream of the main header's PPM data (PpmSegmentsOf, read with ReadPackedHeaders).
  // With PPT, the headers are the tile's PPT stream (PptSegmentsOf), read on from tile-part
  // to tile-part.
  std::uint8_t packedHeaders = kPackedHeadersNone;
  std::uint64_t packedStart = 0;
  std::uint32_t packedLength = 0;
};

class CodestreamHeader;  // defined in the implementation

// Everything parsed so far; owns its memory, released by ReleaseCodestreamParams.
struct CodestreamParams {
  std::uint16_t rsiz = 0;
  std::uint32_t extent[2] = {0, 0};      // Xsiz, Ysiz
  std::uint32_t offset[2] = {0, 0};      // XOsiz, YOsiz
  std::uint32_t tileSize[2] = {0, 0};    // XTsiz, YTsiz
  std::uint32_t tileOffset[2] = {0, 0};  // XTOsiz, YTOsiz
  std::uint32_t tilesAcross = 0, tilesDown = 0, tileCount = 0;
  int componentCount = 0;
  const ComponentInfo* components = nullptr;  // componentCount entries
  std::uint64_t firstTilePart = 0;            // offset of the first SOT
  bool anyComponentTransform = false;         // some COD switched the transform on

  CodestreamHeader* detail = nullptr;  // per-tile records, POC lists, PPM/PPT slots
};

// Parses SOC, SIZ and the main header's segments from start up to the first SOT.
// Codes: -19 malformed or misplaced segment, -6 Csiz beyond 16,384, -35 RGN style, -50 a
// single-byte read failed, -2 a u16/u32 read came back short, -1 allocation.
Status ParseMainHeader(ByteReader& input, std::uint64_t start, const MemoryCallbacks& memory,
                       CodestreamParams* params);

// Room for the longest marker segment, which its 16-bit length field bounds.
inline constexpr std::uint32_t kSegmentBufferSize = 0xFFFF;

// Parses the tile-part header at offset (SOT up to SOD) into the tile's own records.
// segmentBuffer: kSegmentBufferSize bytes, reused across calls.
Status ParseTilePartHeader(ByteReader& input, std::uint64_t offset, const MemoryCallbacks& memory,
                           CodestreamParams* params, TilePartInfo* info,
                           std::uint8_t* segmentBuffer);

// The values in force for a tile: its own when a tile-part header set them, else the main
// header's. tile < tileCount, component < componentCount. A tile-component's values are put
// together from the segments by their priorities, so they come as a copy: the decoder keeps
// no record per tile and component, whatever the tile and component counts claim.
const TileParams& TileParamsOf(const CodestreamParams& params, std::uint32_t tile);
TileComponentParams TileComponentParamsOf(const CodestreamParams& params, std::uint32_t tile,
                                          int component);

// The progression order changes of a tile: its own POC entries when its tile-part headers
// gave any (in the order read), else the main header's.
std::span<const ProgressionChange> ProgressionChangesOf(const CodestreamParams& params,
                                                        std::uint32_t tile);
// The PPM segments of the main header, and the PPT segments of a tile, in Z order.
std::span<const PackedHeaderSegment> PpmSegmentsOf(const CodestreamParams& params);
std::span<const PackedHeaderSegment> PptSegmentsOf(const CodestreamParams& params,
                                                   std::uint32_t tile);
// Reads count bytes at position of the stream that the segments' data form one after the
// other; returns the number of bytes not delivered (0 is success).
std::uint32_t ReadPackedHeaders(ByteReader& input, std::span<const PackedHeaderSegment> segments,
                                std::uint64_t position, std::uint32_t count,
                                std::uint8_t* destination);

// Tile bounds on the reference grid, and tile-component bounds in component samples.
Bounds TileBounds(const CodestreamParams& params, std::uint32_t tile);
Bounds TileComponentBounds(const CodestreamParams& params, std::uint32_t tile, int component);
// A component's whole extent in component samples: ceil(XOsiz / XRsiz) .. ceil(Xsiz / XRsiz).
Bounds ComponentBounds(const CodestreamParams& params, int component);

// Releases everything params owns and resets it; the release callback's error is returned.
Status ReleaseCodestreamParams(const MemoryCallbacks& memory, CodestreamParams* params);

}  // namespace quillon::jp2
