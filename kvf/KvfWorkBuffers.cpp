#include "kvf/KvfWorkBuffers.h"

#include <limits>
#include <memory>

#include "kvf/KvfColourModes.h"
#include "kvf/KvfGeometry.h"
#include "kvf/KvfQuadCoder.h"
#include "kvf/KvfTrees.h"

namespace kvf {

namespace {

constexpr std::uint64_t kAlignment = 16;
constexpr std::uint64_t kChannelRows = 4;

std::uint64_t Aligned(std::uint64_t bytes) {
  return (bytes + kAlignment - 1) / kAlignment * kAlignment;
}

// The parts of each buffer, in order; every part starts 16-byte aligned.
struct Parts {
  std::uint64_t carry, tables, lists, header, stripeSizes;
  std::uint64_t session, channels, regions, ring;
};

Parts PartsOf(const KvfCodingShape& shape, std::size_t sessionBytes) {
  const std::uint64_t width = shape.codedWidth;
  Parts parts{};
  parts.carry = std::uint64_t{shape.levels} * shape.components * width * shape.sampleBytes;
  parts.tables = KvfTreeTables::BytesNeeded(shape.levels);
  parts.lists = KvfCoderLists::BytesNeeded(shape.QuadsPerStripe(), shape.TreesPerStripe());
  parts.header = sizeof(KvfHeader);
  parts.stripeSizes = std::uint64_t{shape.stripeCount} * sizeof(std::uint32_t);
  parts.session = sessionBytes;
  parts.channels = kChannelRows * width * sizeof(std::int32_t);
  parts.regions = KvfErChunk::kMaxRegions * sizeof(KvfRegion);
  parts.ring = std::uint64_t{shape.RingRows()} * shape.components * width * shape.sampleBytes;
  return parts;
}

std::array<std::uint64_t, kKvfWorkBufferCount> BufferBytes(const Parts& parts) {
  return {
      Aligned(parts.carry) + kAlignment,
      Aligned(parts.tables) + kAlignment,
      Aligned(parts.lists) + kAlignment,
      Aligned(parts.header) + Aligned(parts.stripeSizes) + kAlignment,
      Aligned(parts.session) + Aligned(parts.channels) + Aligned(parts.regions) +
          Aligned(parts.ring) + kAlignment,
  };
}

// Hands out aligned parts of one buffer.
class Carver {
 public:
  explicit Carver(std::span<std::byte> buffer) {
    void* start = buffer.data();
    std::size_t space = buffer.size();
    if (std::align(kAlignment, 0, start, space) != nullptr) {
      next_ = static_cast<std::byte*>(start);
      left_ = space;
    }
  }
  std::span<std::byte> Take(std::uint64_t bytes) {
    const std::uint64_t step = Aligned(bytes);
    if (next_ == nullptr || step > left_) {
      failed_ = true;
      return {};
    }
    std::span<std::byte> part(next_, static_cast<std::size_t>(bytes));
    next_ += step;
    left_ -= static_cast<std::size_t>(step);
    return part;
  }
  bool Failed() const { return failed_; }

 private:
  std::byte* next_ = nullptr;
  std::size_t left_ = 0;
  bool failed_ = false;
};

}  // namespace

std::uint64_t KvfCodingShape::QuadsPerStripe() const {
  return std::uint64_t{codedWidth} * stripeHeight * components / 4;
}

KvfStatus KvfShapeFromHeader(const KvfHeader& header, KvfCodingShape& shape) {
  KVF_RETURN_IF_ERROR(CheckKvfCodingLayout(header));
  const KvfColourMode* mode = FindKvfColourMode(header.picture.colourMode);
  if (mode == nullptr) return KvfStatus::invalidColourSpace;
  if (header.coding.levels > kKvfMaxCoderLevels) return KvfStatus::levelTooHigh;
  KvfGeometry geometry;
  const bool baseline = (header.picture.modeFlags & KvfGeChunk::kBaselineFlag) != 0;
  KVF_RETURN_IF_ERROR(ComputeKvfGeometry(header.picture.width, header.picture.height,
                                         header.coding.levels, baseline, geometry));
  shape.width = header.picture.width;
  shape.height = header.picture.height;
  shape.codedWidth = geometry.codedWidth;
  shape.codedHeight = geometry.codedHeight;
  shape.stripeHeight = geometry.stripeHeight;
  shape.stripeCount = geometry.stripeCount;
  shape.levels = header.coding.levels;
  shape.components = mode->components;
  shape.colourMode = mode->mode;
  shape.sampleBytes = mode->sampleBits == 8 ? 2 : 4;
  shape.baseline = geometry.baseline;
  return KvfStatus::ok;
}

KvfStatus KvfWorkBufferSizes(const KvfCodingShape& shape, std::size_t sessionBytes,
                             KvfBufferSizes& sizes) {
  const auto bytes = BufferBytes(PartsOf(shape, sessionBytes));
  // The ring holds one tree row per stripe: its offsets within a tree must fit the tables.
  if ((std::uint64_t{shape.codedWidth} << shape.levels) >
      std::numeric_limits<std::uint32_t>::max()) {
    return KvfStatus::invalidImageSize;
  }
  for (std::size_t i = 0; i < kKvfWorkBufferCount; ++i) {
    if (bytes[i] > std::numeric_limits<std::uint32_t>::max()) return KvfStatus::invalidImageSize;
    sizes[i] = static_cast<std::uint32_t>(bytes[i]);
  }
  return KvfStatus::ok;
}

void* KvfSessionMemory(const KvfWorkBuffers& buffers, std::size_t sessionBytes) {
  void* start = buffers[kSessionBuffer].data();
  std::size_t space = buffers[kSessionBuffer].size();
  if (start == nullptr) return nullptr;
  return std::align(kAlignment, sessionBytes, start, space);
}

KvfStatus KvfCarveWorkBuffers(const KvfCodingShape& shape, std::size_t sessionBytes,
                              const KvfWorkBuffers& buffers, KvfWorkLayout& layout) {
  const Parts parts = PartsOf(shape, sessionBytes);
  Carver carry(buffers[kCarryBuffer]);
  Carver tables(buffers[kTreeTableBuffer]);
  Carver lists(buffers[kListBuffer]);
  Carver header(buffers[kHeaderBuffer]);
  Carver state(buffers[kSessionBuffer]);
  layout.carry = carry.Take(parts.carry);
  layout.treeTables = tables.Take(parts.tables);
  layout.lists = lists.Take(parts.lists);
  layout.header = reinterpret_cast<KvfHeader*>(header.Take(parts.header).data());
  const auto stripeSizes = header.Take(parts.stripeSizes);
  layout.stripeSizes = {reinterpret_cast<std::uint32_t*>(stripeSizes.data()), shape.stripeCount};
  layout.session = state.Take(parts.session);
  const auto channels = state.Take(parts.channels);
  for (std::size_t c = 0; c < kChannelRows; ++c) {
    layout.channels[c] = reinterpret_cast<std::int32_t*>(channels.data()) + c * shape.codedWidth;
  }
  const auto regions = state.Take(parts.regions);
  layout.regions = {reinterpret_cast<KvfRegion*>(regions.data()), KvfErChunk::kMaxRegions};
  layout.ring = state.Take(parts.ring);
  const bool failed =
      carry.Failed() || tables.Failed() || lists.Failed() || header.Failed() || state.Failed();
  return failed ? KvfStatus::invalidDataPointer : KvfStatus::ok;
}

}  // namespace kvf
