// The walk over a codestream's tile-parts: the tile-part headers listed once in file order,
// then per tile its packets in the order of its progression volumes (the POC entries, then
// the whole tile in its own order), resumed from tile-part to tile-part. Packet bodies are
// only located, never read here.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/ProgressionWalk.h"
#include "common/Status.h"
#include "decoder/CodecArray.h"
#include "decoder/CodestreamHeader.h"
#include "decoder/PacketHeaderDecoder.h"
#include "decoder/PacketRecords.h"

namespace quillon::jp2 {

struct TilePart {
  TilePartInfo info;
  std::uint64_t packedEnd = 0;  // with PPT: the end of this tile-part's headers in the stream
};

// Parses every tile-part header from the first SOT on, in file order, until one cannot be
// read, Psot is 0 or EOC follows. Parsing the same codestream twice would repeat its POC and
// PPT records, so this runs once per handle.
Status ListTileParts(ByteReader& input, const MemoryCallbacks& memory, CodestreamParams* params,
                     CodecArray<TilePart>* parts);

// Told where each packet lies: from offset (its SOP or header, or its body with packed
// headers) to end (after its body).
class PacketObserver {
 public:
  virtual void Packet(const PacketId& packet, std::uint64_t offset, std::uint64_t end) = 0;

 protected:
  ~PacketObserver() = default;
};

class TileWalk final : public PacketVisitor {
 public:
  // inputLength bounds tile-parts whose end is not known.
  TileWalk(ByteReader& input, const CodestreamParams& params, TileRecords& records,
           PacketHeaderDecoder& headers, std::uint64_t inputLength, PacketObserver* observer)
      : input_(input),
        params_(params),
        records_(records),
        headers_(headers),
        inputLength_(inputLength),
        observer_(observer) {}

  // Reads the packets of one tile-part of the tile. An unreadable packet header ends the
  // tile's walk without an error: its later tile-parts are passed over.
  Status WalkTilePart(const TilePart& part);

 private:
  Status Visit(const PacketId& packet) override;
  ProgressionVolume VolumeAt(std::uint32_t index) const;
  bool TilePartEnded();
  Status ReadPacket(const PacketId& packet, PrecinctRecord& precinct);

  ByteReader& input_;
  const CodestreamParams& params_;
  TileRecords& records_;
  PacketHeaderDecoder& headers_;
  std::uint64_t inputLength_;
  PacketObserver* observer_;

  const TilePart* part_ = nullptr;
  std::uint32_t volume_ = 0;
  bool finished_ = false;
  std::uint64_t headerPosition_ = 0;  // in the packed stream with packed headers
  std::uint64_t bodyPosition_ = 0;
};

}  // namespace quillon::jp2
