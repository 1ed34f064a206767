// The chunks of a KVF header. Each is a two-letter tag, a u16 length counting the whole
// chunk, and a payload; each struct below holds one chunk's fields and both writes and
// parses its payload, so the encoder and the reader share one description of the layout.
// Parse reads the payload that follows the tag and length; the caller checks that the
// bytes consumed match the length.
#pragma once

#include <cstdint>
#include <span>

#include "kvf/KvfInputStream.h"
#include "kvf/KvfOutputStream.h"
#include "kvf/KvfStatus.h"

namespace kvf {

constexpr std::uint16_t KvfChunkTag(char first, char second) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(first) << 8 |
                                    static_cast<std::uint8_t>(second));
}

inline constexpr std::uint16_t kKvfChunkFrameSize = 4;             // tag and length
inline constexpr std::uint32_t kKvfDefaultResolution = 72u << 16;  // 72 dpi in 16.16
inline constexpr std::uint16_t kKvfFullQuality = 1024;

[[nodiscard]] KvfStatus WriteKvfChunkFrame(KvfOutputStream& out, std::uint16_t tag,
                                           std::uint16_t length);

// Picture size, colour mode and coding mode ("GE").
struct KvfGeChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('G', 'E');
  static constexpr std::uint16_t kLength = 14;
  static constexpr std::uint8_t kBaselineFlag = 0x01;  // clear: embedded coding
  static constexpr std::uint8_t kAnimatedFlag = 0x02;  // a picture sequence

  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t colourMode = 0;
  std::uint8_t modeFlags = 0;

  [[nodiscard]] KvfStatus Write(KvfOutputStream& out) const;
  [[nodiscard]] KvfStatus Parse(KvfInputStream& in);
};

// Coded area and coder settings ("CB"); short form with u16 sizes when both fit 15 bits.
struct KvfCbChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('C', 'B');
  static constexpr std::uint16_t kShortLength = 13;
  static constexpr std::uint16_t kLongLength = 17;
  static constexpr std::uint32_t kShortLimit = 32767;
  static constexpr std::uint8_t kStoredCoderParameter = 32;

  std::uint32_t codedWidth = 0;
  std::uint32_t stripeHeight = 0;
  std::uint8_t levels = 0;
  std::uint8_t coderParameter = kStoredCoderParameter;
  std::int8_t stopPlane = -1;  // -1: the coder's default
  std::uint16_t stripeCount = 0;

  std::uint16_t Length() const;
  [[nodiscard]] KvfStatus Write(KvfOutputStream& out) const;
  [[nodiscard]] KvfStatus Parse(KvfInputStream& in, std::uint16_t length);
};

// A rectangle in picture coordinates that is coded at higher priority.
struct KvfRegion {
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  bool operator==(const KvfRegion&) const = default;
};

// Enhancement regions and their weight ("ER").
struct KvfErChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('E', 'R');
  static constexpr std::uint16_t kRegionSize = 12;
  static constexpr std::uint32_t kMaxRegions = 255;

  std::uint8_t regionCount = 0;
  std::uint8_t regionWeight = 0;

  // Writes regionCount regions from `regions`; internalError when it holds fewer.
  [[nodiscard]] KvfStatus Write(KvfOutputStream& out, std::span<const KvfRegion> regions) const;
  // Stores as many regions as `regions` holds and skips the rest.
  [[nodiscard]] KvfStatus Parse(KvfInputStream& in, std::span<KvfRegion> regions);
};

// Quality reached, 0..1024 ("QU").
struct KvfQuChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('Q', 'U');
  static constexpr std::uint16_t kLength = 6;

  std::uint16_t quality = kKvfFullQuality;

  [[nodiscard]] KvfStatus Write(KvfOutputStream& out) const;
  [[nodiscard]] KvfStatus Parse(KvfInputStream& in);
};

// Coded size of every stripe ("ST").
struct KvfStChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('S', 'T');

  std::uint32_t sizeCount = 0;  // stripe sizes read over all ST chunks
  std::uint64_t sizeSum = 0;

  // Writes `count` sizes: those of `sizes`, or zeros as a placeholder when it is empty.
  // internalError when `sizes` holds some but not `count`.
  [[nodiscard]] static KvfStatus Write(KvfOutputStream& out, std::uint32_t count,
                                       std::span<const std::uint32_t> sizes);
  // Reads the (length - 4) / 4 sizes, storing those that fit `sizes` after the ones already
  // read.
  [[nodiscard]] KvfStatus Parse(KvfInputStream& in, std::uint16_t length,
                                std::span<std::uint32_t> sizes);
};

// Resolution in dots per inch, 16.16 fixed point ("DP").
struct KvfDpChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('D', 'P');
  static constexpr std::uint16_t kLength = 12;

  std::uint32_t xResolution = kKvfDefaultResolution;
  std::uint32_t yResolution = kKvfDefaultResolution;

  // 72 dpi both ways, or unknown (0 both ways), goes without a chunk.
  bool NeedsChunk() const;
  [[nodiscard]] KvfStatus Write(KvfOutputStream& out) const;
  [[nodiscard]] KvfStatus Parse(KvfInputStream& in);
};

// Password check value and the quality free to all ("PW").
struct KvfPwChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('P', 'W');
  static constexpr std::uint16_t kLength = 8;

  std::uint16_t checkValue = 0;
  std::uint16_t freeQuality = kKvfFullQuality;

  [[nodiscard]] KvfStatus Write(KvfOutputStream& out) const;
  [[nodiscard]] KvfStatus Parse(KvfInputStream& in);
};

// Largest sample value ("MV").
struct KvfMvChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('M', 'V');
  static constexpr std::uint16_t kLength = 8;

  std::uint32_t maxValue = 0;

  [[nodiscard]] KvfStatus Write(KvfOutputStream& out) const;
  [[nodiscard]] KvfStatus Parse(KvfInputStream& in);
};

// The caller's private data, in pieces of at most 32700 bytes ("PR"); the first piece
// starts with the total length.
struct KvfPrChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('P', 'R');
  static constexpr std::uint32_t kPieceSize = 32700;
  static constexpr std::uint32_t kMaxWrittenLength = 0x6FFFFFFD;
  static constexpr std::uint32_t kMaxReadLength = 0x6FFFFFFE;

  bool seen = false;  // a first piece has been read
  std::uint32_t totalLength = 0;
  std::uint32_t received = 0;  // bytes copied so far
  bool copying = false;        // the pieces go to the caller's buffer

  // Writes all pieces; invalidDataPointer for data longer than kMaxWrittenLength.
  [[nodiscard]] static KvfStatus Write(KvfOutputStream& out, std::span<const std::uint8_t> data);
  // Reads one piece. The data is copied into `destination` when it is given (non-null) and
  // can take the total length, else skipped. corruptedHeader for a total length out of range
  // or pieces that together exceed it while copying.
  [[nodiscard]] KvfStatus Parse(KvfInputStream& in, std::uint16_t length,
                                std::span<std::uint8_t> destination);
};

// Zero padding that ends the header so that the coded data starts on a 4-byte boundary ("DT").
struct KvfDtChunk {
  static constexpr std::uint16_t kTag = KvfChunkTag('D', 'T');

  // Padding for a chunk whose tag starts at `tagOffset`.
  static std::uint16_t PaddingAt(std::uint64_t tagOffset);
  [[nodiscard]] static KvfStatus Write(KvfOutputStream& out);
};

}  // namespace kvf
