// What kind of input the decoder has: the probe on the first block and the recognition of a
// JP2 file by its signature and file type box.
#pragma once

#include <cstdint>
#include <span>

#include "common/CodecMemory.h"
#include "decoder/ByteReader.h"

namespace quillon::jp2 {

// The component count the first block announces: NC of the image header box of a JP2 file
// (0 when the box lies beyond the block), else Csiz of a SIZ directly behind SOC. -2 for a
// codestream shorter than 42 bytes, -6 for a count outside 1..16384.
Status ProbeComponentCount(std::span<const std::uint8_t> firstBlock, std::uint32_t* components);

// Whether the input is a JP2 file: the signature box, then a file type box of at least 20
// bytes whose brand or one of whose compatibility entries is 'jp2 ' or 'jpx '. *next is where
// the box after the file type box starts.
Status RecogniseJp2(ByteReader& input, const MemoryCallbacks& memory, bool* isJp2,
                    std::uint64_t* next);

}  // namespace quillon::jp2
