// Packet headers of one precinct (T.800 B.9, B.10): inclusion and zero-bit-plane tag trees,
// the number of passes, Lblock and the segment lengths, with SOP and EPH markers around them.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "common/TagTree.h"
#include "encoder/CodedBlock.h"
#include "encoder/PacketBitWriter.h"

namespace quillon::jp2 {

// One subband's share of a precinct: its code-blocks in raster order and their tag trees.
struct PrecinctBand {
  CodedBlock** blocks = nullptr;  // width x height
  std::uint32_t width = 0, height = 0;
  TagTree inclusion;
  TagTree zeroPlanes;
};

struct Precinct {
  PrecinctBand bands[3];
  int bandCount = 0;

  std::uint64_t BlockCount() const;
};

struct PacketMarkers {
  bool sop = false;
  bool eph = false;
};

inline constexpr std::uint32_t kSopSegmentBytes = 6;
inline constexpr std::uint32_t kEphBytes = 2;

// Writes the header of layer (SOP segment with nsop first when asked, EPH after). Headers of
// a precinct are written in layer order: layer 0 rebuilds the tag trees and Lblock from the
// blocks' current layer assignment.
Status WritePacketHeader(Precinct& precinct, int layer, int layers, const PacketMarkers& markers,
                         std::uint16_t nsop, PacketBitWriter& writer);

// Bytes of the header of layer, found by writing layers 0 to layer without output. With
// saved (HeaderStateBytes of the precinct), the coding state the layers before it leave is
// kept there for RemeasurePacketHeader.
Status MeasurePacketHeader(Precinct& precinct, int layer, int layers, const PacketMarkers& markers,
                           std::uint32_t* bytes, std::uint8_t* saved = nullptr);

// Bytes of the header of layer again after passes of that layer changed, from the state
// MeasurePacketHeader saved for the same layer: one layer written instead of all before it.
Status RemeasurePacketHeader(Precinct& precinct, int layer, int layers,
                             const PacketMarkers& markers, const std::uint8_t* saved,
                             std::uint32_t* bytes);

// Moves the state MeasurePacketHeader or the call before saved for layer on to the state
// before layer + 1, by writing layer's header from the passes as they now stand: each layer's
// header is then written once, not once for every layer after it.
Status AdvanceHeaderState(Precinct& precinct, int layer, int layers, const PacketMarkers& markers,
                          std::uint8_t* saved);

// Bytes the saved header state of the precinct takes: tag-tree nodes and every Lblock.
std::uint64_t HeaderStateBytes(const Precinct& precinct);

// Codeword bytes the precinct's blocks contribute to layer.
std::uint64_t PacketBodyBytes(const Precinct& precinct, int layer);

// Upper bound of one header of the precinct, for sizing its buffer.
std::uint64_t PacketHeaderCapacity(const Precinct& precinct);

// The number-of-passes code of T.800 Table B.4 (1 to 164 passes).
void PutPassCount(PacketBitWriter& writer, std::uint32_t passes);

}  // namespace quillon::jp2
