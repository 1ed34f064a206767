// The header of one packet (T.800 B.10): per code-block of the precinct its inclusion, zero
// bit-planes on first inclusion, the number of new passes, Lblock and one length per codeword
// segment piece. The pieces become the code-blocks' only once the whole header has been read.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/Status.h"
#include "decoder/CodecArray.h"
#include "decoder/PacketBitReader.h"
#include "decoder/PacketRecords.h"

namespace quillon::jp2 {

class PacketHeaderDecoder {
 public:
  // Reads the header of layer of a precinct of resolution level r of tile-component c. On
  // success the code-blocks' new pieces lie one after the other from bodyStart, which is only
  // known after the header: call Commit with it. -50 when the header bytes run out, -19 for
  // values no code-block can have, -1 when memory runs out.
  Status Read(TileRecords& records, int c, int r, PrecinctRecord& precinct, std::uint32_t layer,
              PacketBitReader& reader);
  // Gives the pieces read to their code-blocks, the first at bodyStart; returns the body's
  // length. Pieces that run past limit mark their code-block as beyond the input.
  std::uint64_t Commit(TileRecords& records, std::uint64_t bodyStart, std::uint64_t limit);

  Status Release(const MemoryCallbacks& memory) { return owners_.Release(memory); }
  void SetMemory(const MemoryCallbacks& memory) { memory_ = memory; }

 private:
  Status ReadBlock(TileRecords& records, BandPrecinct& part, const BandRecord& band,
                   std::uint32_t index, std::uint32_t layer, std::uint8_t style,
                   PacketBitReader& reader);

  MemoryCallbacks memory_;
  std::uint32_t firstPiece_ = 0;
  CodecArray<CodeBlockRecord*> owners_;  // per piece of the header being read
};

}  // namespace quillon::jp2
