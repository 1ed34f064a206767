// The five caller-owned work buffers of one encode or decode, and how the codec lays out its
// state in them. The codec allocates nothing: it reports the sizes, the caller allocates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "kvf/KvfChunks.h"
#include "kvf/KvfHeader.h"
#include "kvf/KvfStatus.h"
#include "kvf/kvf.h"

namespace kvf {

inline constexpr std::size_t kKvfWorkBufferCount = KVF_WORK_BUFFERS;

// What each work buffer holds; the numbers are the buffers' places in the workspace.
enum KvfWorkBuffer : std::size_t {
  // The carry lines of the line-based transform (one row per level and component).
  kCarryBuffer = 0,
  // The tree tables (node positions, quad shift templates).
  kTreeTableBuffer = 1,
  // The coder's lists (per quad of a stripe: flag word, link, four set planes).
  kListBuffer = 2,
  // The header state (plus the stripe size table when encoding).
  kHeaderBuffer = KVF_HEADER_STATE_BUFFER,
  // The session state, channel rows, regions, stripe table and the ring of coefficient rows.
  kSessionBuffer = 4,
};

using KvfWorkBuffers = std::array<std::span<std::byte>, kKvfWorkBufferCount>;
using KvfBufferSizes = std::array<std::uint32_t, kKvfWorkBufferCount>;

// The coding layout of one picture, as the header describes it.
struct KvfCodingShape {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t codedWidth = 0;
  std::uint32_t codedHeight = 0;
  std::uint32_t stripeHeight = 0;
  std::uint32_t stripeCount = 0;
  std::uint32_t levels = 0;
  std::uint32_t components = 0;
  std::uint32_t colourMode = 0;
  std::uint32_t sampleBytes = 0;  // of a working coefficient: 2 (8-bit modes) or 4
  bool baseline = false;

  // Rows held in the ring: two stripes when striped, the whole coded area when embedded.
  std::uint32_t RingRows() const { return baseline ? 2 * stripeHeight : codedHeight; }
  std::uint32_t TreesAcross() const { return codedWidth >> levels; }
  std::uint32_t TreesDown() const { return stripeHeight >> levels; }
  std::uint64_t QuadsPerStripe() const;
  std::uint64_t TreesPerStripe() const {
    return std::uint64_t{TreesAcross()} * TreesDown() * components;
  }
};

// Derives the shape from a header; corruptedHeader when its fields disagree, levelTooHigh
// beyond the coder's level limit, invalidColourSpace for an unknown mode.
[[nodiscard]] KvfStatus KvfShapeFromHeader(const KvfHeader& header, KvfCodingShape& shape);

// Where everything lies once the buffers are given.
struct KvfWorkLayout {
  std::span<std::byte> carry;
  std::span<std::byte> treeTables;
  std::span<std::byte> lists;
  KvfHeader* header = nullptr;
  std::span<std::uint32_t> stripeSizes;     // stripeCount entries
  std::span<std::byte> session;             // `sessionBytes` for the encoder's or decoder's state
  std::array<std::int32_t*, 4> channels{};  // codedWidth samples each
  std::span<KvfRegion> regions;             // room for the most regions a header can hold
  std::span<std::byte> ring;
};

// Sizes of the five buffers; invalidImageSize when one would pass 4 GiB. The session state
// takes `sessionBytes` (aligned to 16).
[[nodiscard]] KvfStatus KvfWorkBufferSizes(const KvfCodingShape& shape, std::size_t sessionBytes,
                                           KvfBufferSizes& sizes);

// Where the session state of `sessionBytes` lies in buffer 4 (as carved), or null when the
// buffer is missing or too small.
void* KvfSessionMemory(const KvfWorkBuffers& buffers, std::size_t sessionBytes);

// Carves the buffers; invalidDataPointer when one is missing or smaller than reported.
[[nodiscard]] KvfStatus KvfCarveWorkBuffers(const KvfCodingShape& shape, std::size_t sessionBytes,
                                            const KvfWorkBuffers& buffers, KvfWorkLayout& layout);

}  // namespace kvf
