#include "kvf/KvfColourModes.h"
#include "kvf/KvfGeometry.h"
#include "kvf/KvfHeader.h"

#include <limits>

namespace kvf {

namespace {

[[nodiscard]] KvfStatus ReadSignature(KvfInputStream& in, KvfHeader& header) {
  std::uint8_t letters[2];
  KVF_RETURN_IF_ERROR(in.ReadBytes(letters));
  if (letters[0] != 'W' || letters[1] != 'V') return KvfStatus::corruptedHeader;
  KVF_RETURN_IF_ERROR(in.ReadU8(header.version));
  if (header.version != kKvfVersion) return KvfStatus::wrongVersion;
  return in.Skip(1);
}

// Reads chunks up to and including DT; unknown chunks are skipped.
[[nodiscard]] KvfStatus ReadChunks(KvfInputStream& in, KvfHeader& header,
                                   const KvfHeaderSinks& sinks) {
  KvfPrChunk privateData;
  for (;;) {
    const std::uint64_t tagOffset = in.Offset();
    std::uint16_t tag = 0;
    std::uint16_t length = 0;
    KVF_RETURN_IF_ERROR(in.ReadU16(tag));
    KVF_RETURN_IF_ERROR(in.ReadU16(length));
    const std::uint16_t payload = length > kKvfChunkFrameSize ? length - kKvfChunkFrameSize : 0;
    switch (tag) {
      case KvfGeChunk::kTag:
        KVF_RETURN_IF_ERROR(header.picture.Parse(in));
        break;
      case KvfCbChunk::kTag:
        KVF_RETURN_IF_ERROR(header.coding.Parse(in, length));
        break;
      case KvfErChunk::kTag:
        KVF_RETURN_IF_ERROR(header.regions.Parse(in, sinks.regions));
        break;
      case KvfQuChunk::kTag:
        KVF_RETURN_IF_ERROR(header.quality.Parse(in));
        break;
      case KvfStChunk::kTag:
        header.hasStripeTable = true;
        KVF_RETURN_IF_ERROR(header.stripeTable.Parse(in, length, sinks.stripeSizes));
        break;
      case KvfDpChunk::kTag:
        KVF_RETURN_IF_ERROR(header.resolution.Parse(in));
        break;
      case KvfPwChunk::kTag:
        header.hasPassword = true;
        KVF_RETURN_IF_ERROR(header.password.Parse(in));
        break;
      case KvfMvChunk::kTag:
        KVF_RETURN_IF_ERROR(header.maxValue.Parse(in));
        break;
      case KvfPrChunk::kTag:
        KVF_RETURN_IF_ERROR(privateData.Parse(in, length, sinks.privateData));
        break;
      default:  // DT and unknown chunks
        KVF_RETURN_IF_ERROR(in.Skip(payload));
        break;
    }
    if (in.Offset() != tagOffset + length) return KvfStatus::corruptedHeader;
    if (tag == KvfDtChunk::kTag) break;
  }
  if (privateData.copying && privateData.received != privateData.totalLength) {
    return KvfStatus::corruptedHeader;
  }
  header.privateLength = privateData.totalLength;
  header.privateCopied = privateData.copying;
  return KvfStatus::ok;
}

}  // namespace

KvfStatus ReadKvfHeader(KvfInputStream& in, KvfHeader& header, const KvfHeaderSinks& sinks) {
  header = KvfHeader{};
  KVF_RETURN_IF_ERROR(ReadSignature(in, header));
  KVF_RETURN_IF_ERROR(ReadChunks(in, header, sinks));
  if (header.picture.width == 0 || header.coding.codedWidth == 0) {
    return KvfStatus::corruptedHeader;
  }

  constexpr std::uint64_t kFieldLimit = std::numeric_limits<std::uint32_t>::max();
  const std::uint64_t headerLength = in.Offset();
  const std::uint64_t codedSize =
      header.hasStripeTable ? headerLength + header.stripeTable.sizeSum : 0;
  if (headerLength > kFieldLimit || codedSize > kFieldLimit || headerLength % 4 != 0) {
    return KvfStatus::corruptedHeader;
  }
  header.headerLength = static_cast<std::uint32_t>(headerLength);
  header.codedSize = static_cast<std::uint32_t>(codedSize);

  const KvfColourMode* mode = FindKvfColourMode(header.picture.colourMode);
  if (mode == nullptr || !mode->readable) return KvfStatus::invalidColourSpace;
  if (header.maxValue.maxValue == 0) header.maxValue.maxValue = mode->defaultMaxValue;
  return KvfStatus::ok;
}

KvfStatus CheckKvfCodingLayout(const KvfHeader& header) {
  if ((header.picture.modeFlags & KvfGeChunk::kAnimatedFlag) != 0) return KvfStatus::ok;
  const bool baseline = (header.picture.modeFlags & KvfGeChunk::kBaselineFlag) != 0;
  KvfGeometry geometry;
  if (ComputeKvfGeometry(header.picture.width, header.picture.height, header.coding.levels,
                         baseline, geometry) != KvfStatus::ok) {
    return KvfStatus::corruptedHeader;
  }
  const bool matches =
      geometry.baseline == baseline && geometry.codedWidth == header.coding.codedWidth &&
      geometry.stripeHeight == header.coding.stripeHeight &&
      geometry.stripeCount == header.coding.stripeCount &&
      (!header.hasStripeTable || header.stripeTable.sizeCount == header.coding.stripeCount);
  return matches ? KvfStatus::ok : KvfStatus::corruptedHeader;
}

}  // namespace kvf
