// Box headers and box contents read from the input, with every length checked against what
// the input holds before memory is taken for it.
#pragma once

#include <cstdint>
#include <span>

#include "common/BoxHeader.h"
#include "common/CodecMemory.h"
#include "decoder/ByteReader.h"

namespace quillon::jp2 {

// The header at position; JP2_Error_ShortRead when the input ends inside it or its length is
// below its own size.
Status ReadBoxHeader(ByteReader& input, std::uint64_t position, BoxHeader* header);

// Where the box at position ends, for boxes with a length; JP2_Error_Limit when that lies
// beyond what the 32-bit read interface reaches.
Status BoxEnd(std::uint64_t position, const BoxHeader& header, std::uint64_t* end);

// Copies length bytes at position into a new block. The last byte is read first, so a length
// that runs past the input is refused (JP2_Error_ByteRead) without allocating for it.
Status ReadBoxContents(ByteReader& input, const MemoryCallbacks& memory, std::uint64_t position,
                       std::uint64_t length, OwnedBlock* contents);

}  // namespace quillon::jp2
