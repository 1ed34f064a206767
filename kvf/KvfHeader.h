// The header of a KVF version 2 file: the signature "WV", version 2, 0, then the chunks up
// to and including DT, after which the coded stripes start on a 4-byte boundary.
#pragma once

#include <cstdint>
#include <span>

#include "kvf/KvfChunks.h"
#include "kvf/KvfInputStream.h"
#include "kvf/KvfOutputStream.h"
#include "kvf/KvfStatus.h"

namespace kvf {

inline constexpr std::uint8_t kKvfVersion = 2;
// The decoder keeps the parsed header in a work buffer of this size.
inline constexpr std::size_t kKvfHeaderStateSize = 356;

// Every fixed field of a header. The variable-length payloads (regions, stripe sizes,
// private data) travel separately, in KvfHeaderPayloads.
struct KvfHeader {
  std::uint8_t version = kKvfVersion;
  KvfGeChunk picture;
  KvfCbChunk coding;
  KvfErChunk regions;
  KvfQuChunk quality;
  bool hasStripeTable = false;  // an ST chunk; writing: only when the stream can come back
  KvfStChunk stripeTable;       // when reading: the count and sum of the sizes found
  KvfDpChunk resolution;
  bool hasPassword = false;  // reading: a PW chunk was present
  KvfPwChunk password;
  KvfMvChunk maxValue;
  std::uint32_t privateLength = 0;  // reading: total length announced by PR
  bool privateCopied = false;       // reading: the private data went to the caller's buffer
  std::uint32_t headerLength = 0;   // reading: offset of the coded data
  std::uint32_t codedSize = 0;      // reading: header plus stripe sizes when ST was present
};
static_assert(sizeof(KvfHeader) <= kKvfHeaderStateSize);

// Writing: the payloads to store. Reading: where to store them; an entry that is too short
// for what the file holds keeps what fits (regions, stripe sizes) or nothing (private data).
template <typename Byte, typename Word, typename Region>
struct KvfPayloadSpans {
  std::span<Region> regions;
  std::span<Word> stripeSizes;  // writing: empty for a placeholder table of zeros
  std::span<Byte> privateData;
};
using KvfHeaderPayloads = KvfPayloadSpans<const std::uint8_t, const std::uint32_t, const KvfRegion>;
using KvfHeaderSinks = KvfPayloadSpans<std::uint8_t, std::uint32_t, KvfRegion>;

// Parses the header from the start of the file. Fails with corruptedHeader for a bad
// signature or chunk, wrongVersion for a version other than 2 (header.version holds it),
// illegalEndOfFile when the file ends inside the header, invalidColourSpace for a colour
// mode outside the table; callback failures pass through.
[[nodiscard]] KvfStatus ReadKvfHeader(KvfInputStream& in, KvfHeader& header,
                                      const KvfHeaderSinks& sinks);

// corruptedHeader unless the coded area, stripe layout and stripe table agree with the
// picture size, levels and coding mode (what every encoder writes, and what the decoder's
// buffers are sized from). Picture sequences are not checked.
[[nodiscard]] KvfStatus CheckKvfCodingLayout(const KvfHeader& header);

// Writes the chunks that `header` calls for, in their fixed order, and reports the header's
// length. ER is written when header.regions.regionCount > 0, QU when the quality is non-zero,
// ST when header.hasStripeTable, DP off 72 dpi, PW when the free quality is below 1024, MV for
// a non-zero maximum value, PR for non-empty private data.
[[nodiscard]] KvfStatus WriteKvfHeader(KvfOutputStream& out, const KvfHeader& header,
                                       const KvfHeaderPayloads& payloads,
                                       std::uint32_t& headerLength);

// The encoder's first header: when `out` can return to the start it carries a stripe table
// of zeros and the placeholder quality 1, else neither; the stop plane is left at -1.
[[nodiscard]] KvfStatus WritePlaceholderKvfHeader(KvfOutputStream& out, KvfHeader header,
                                                  const KvfHeaderPayloads& payloads,
                                                  std::uint32_t& headerLength);

// The encoder's final header, written over the placeholder of `placeholderLength` bytes
// with the real stripe sizes (payloads.stripeSizes), quality and stop plane; the stream is
// left at the end of the file. internalError if the stream cannot return to the start or
// the lengths differ.
[[nodiscard]] KvfStatus RewriteKvfHeader(KvfOutputStream& out, KvfHeader header,
                                         const KvfHeaderPayloads& payloads,
                                         std::uint32_t placeholderLength);

}  // namespace kvf
