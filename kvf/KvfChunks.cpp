#include "kvf/KvfChunks.h"

#include <algorithm>

namespace kvf {

KvfStatus WriteKvfChunkFrame(KvfOutputStream& out, std::uint16_t tag, std::uint16_t length) {
  KVF_RETURN_IF_ERROR(out.PutU16(tag));
  return out.PutU16(length);
}

KvfStatus KvfGeChunk::Write(KvfOutputStream& out) const {
  KVF_RETURN_IF_ERROR(WriteKvfChunkFrame(out, kTag, kLength));
  KVF_RETURN_IF_ERROR(out.PutU32(width));
  KVF_RETURN_IF_ERROR(out.PutU32(height));
  KVF_RETURN_IF_ERROR(out.PutU8(colourMode));
  return out.PutU8(modeFlags);
}

KvfStatus KvfGeChunk::Parse(KvfInputStream& in) {
  KVF_RETURN_IF_ERROR(in.ReadU32(width));
  KVF_RETURN_IF_ERROR(in.ReadU32(height));
  KVF_RETURN_IF_ERROR(in.ReadU8(colourMode));
  return in.ReadU8(modeFlags);
}

std::uint16_t KvfCbChunk::Length() const {
  return codedWidth <= kShortLimit && stripeHeight <= kShortLimit ? kShortLength : kLongLength;
}

KvfStatus KvfCbChunk::Write(KvfOutputStream& out) const {
  const std::uint16_t length = Length();
  KVF_RETURN_IF_ERROR(WriteKvfChunkFrame(out, kTag, length));
  if (length == kShortLength) {
    KVF_RETURN_IF_ERROR(out.PutU16(static_cast<std::uint16_t>(codedWidth)));
    KVF_RETURN_IF_ERROR(out.PutU16(static_cast<std::uint16_t>(stripeHeight)));
  } else {
    KVF_RETURN_IF_ERROR(out.PutU32(codedWidth));
    KVF_RETURN_IF_ERROR(out.PutU32(stripeHeight));
  }
  KVF_RETURN_IF_ERROR(out.PutU8(levels));
  KVF_RETURN_IF_ERROR(out.PutU8(coderParameter));
  KVF_RETURN_IF_ERROR(out.PutU8(static_cast<std::uint8_t>(stopPlane)));
  return out.PutU16(stripeCount);
}

KvfStatus KvfCbChunk::Parse(KvfInputStream& in, std::uint16_t length) {
  if (length == kShortLength) {
    std::uint16_t shortWidth = 0;
    std::uint16_t shortHeight = 0;
    KVF_RETURN_IF_ERROR(in.ReadU16(shortWidth));
    KVF_RETURN_IF_ERROR(in.ReadU16(shortHeight));
    codedWidth = shortWidth;
    stripeHeight = shortHeight;
  } else {
    KVF_RETURN_IF_ERROR(in.ReadU32(codedWidth));
    KVF_RETURN_IF_ERROR(in.ReadU32(stripeHeight));
  }
  std::uint8_t plane = 0;
  KVF_RETURN_IF_ERROR(in.ReadU8(levels));
  KVF_RETURN_IF_ERROR(in.ReadU8(coderParameter));
  KVF_RETURN_IF_ERROR(in.ReadU8(plane));
  stopPlane = static_cast<std::int8_t>(plane);
  return in.ReadU16(stripeCount);
}

KvfStatus KvfErChunk::Write(KvfOutputStream& out, std::span<const KvfRegion> regions) const {
  if (regions.size() < regionCount) return KvfStatus::internalError;
  const auto length = static_cast<std::uint16_t>(6 + kRegionSize * regionCount);
  KVF_RETURN_IF_ERROR(WriteKvfChunkFrame(out, kTag, length));
  KVF_RETURN_IF_ERROR(out.PutU8(regionCount));
  KVF_RETURN_IF_ERROR(out.PutU8(regionWeight));
  for (const KvfRegion& region : regions.first(regionCount)) {
    KVF_RETURN_IF_ERROR(out.PutU32(region.x));
    KVF_RETURN_IF_ERROR(out.PutU32(region.y));
    KVF_RETURN_IF_ERROR(out.PutU16(region.width));
    KVF_RETURN_IF_ERROR(out.PutU16(region.height));
  }
  return KvfStatus::ok;
}

KvfStatus KvfErChunk::Parse(KvfInputStream& in, std::span<KvfRegion> regions) {
  KVF_RETURN_IF_ERROR(in.ReadU8(regionCount));
  KVF_RETURN_IF_ERROR(in.ReadU8(regionWeight));
  for (std::uint32_t i = 0; i < regionCount; ++i) {
    KvfRegion region;
    KVF_RETURN_IF_ERROR(in.ReadU32(region.x));
    KVF_RETURN_IF_ERROR(in.ReadU32(region.y));
    KVF_RETURN_IF_ERROR(in.ReadU16(region.width));
    KVF_RETURN_IF_ERROR(in.ReadU16(region.height));
    if (i < regions.size()) regions[i] = region;
  }
  return KvfStatus::ok;
}

KvfStatus KvfQuChunk::Write(KvfOutputStream& out) const {
  KVF_RETURN_IF_ERROR(WriteKvfChunkFrame(out, kTag, kLength));
  return out.PutU16(quality);
}

KvfStatus KvfQuChunk::Parse(KvfInputStream& in) {
  return in.ReadU16(quality);
}

KvfStatus KvfStChunk::Write(KvfOutputStream& out, std::uint32_t count,
                            std::span<const std::uint32_t> sizes) {
  if (!sizes.empty() && sizes.size() != count) return KvfStatus::internalError;
  if (count > (0xFFFFu - kKvfChunkFrameSize) / 4) return KvfStatus::invalidImageSize;
  KVF_RETURN_IF_ERROR(
      WriteKvfChunkFrame(out, kTag, static_cast<std::uint16_t>(kKvfChunkFrameSize + 4 * count)));
  if (sizes.empty()) return out.PutZeros(std::uint64_t{4} * count);
  for (const std::uint32_t size : sizes) KVF_RETURN_IF_ERROR(out.PutU32(size));
  return KvfStatus::ok;
}

KvfStatus KvfStChunk::Parse(KvfInputStream& in, std::uint16_t length,
                            std::span<std::uint32_t> sizes) {
  const std::uint32_t words = length < kKvfChunkFrameSize ? 0 : (length - kKvfChunkFrameSize) / 4;
  for (std::uint32_t i = 0; i < words; ++i) {
    std::uint32_t size = 0;
    KVF_RETURN_IF_ERROR(in.ReadU32(size));
    if (sizeCount < sizes.size()) sizes[sizeCount] = size;
    ++sizeCount;
    sizeSum += size;
  }
  return KvfStatus::ok;
}

bool KvfDpChunk::NeedsChunk() const {
  const bool bothDefault =
      xResolution == kKvfDefaultResolution && yResolution == kKvfDefaultResolution;
  const bool bothUnknown = xResolution == 0 && yResolution == 0;
  return !bothDefault && !bothUnknown;
}

KvfStatus KvfDpChunk::Write(KvfOutputStream& out) const {
  KVF_RETURN_IF_ERROR(WriteKvfChunkFrame(out, kTag, kLength));
  KVF_RETURN_IF_ERROR(out.PutU32(xResolution));
  return out.PutU32(yResolution);
}

KvfStatus KvfDpChunk::Parse(KvfInputStream& in) {
  KVF_RETURN_IF_ERROR(in.ReadU32(xResolution));
  return in.ReadU32(yResolution);
}

KvfStatus KvfPwChunk::Write(KvfOutputStream& out) const {
  KVF_RETURN_IF_ERROR(WriteKvfChunkFrame(out, kTag, kLength));
  KVF_RETURN_IF_ERROR(out.PutU16(checkValue));
  return out.PutU16(freeQuality);
}

KvfStatus KvfPwChunk::Parse(KvfInputStream& in) {
  KVF_RETURN_IF_ERROR(in.ReadU16(checkValue));
  return in.ReadU16(freeQuality);
}

KvfStatus KvfMvChunk::Write(KvfOutputStream& out) const {
  KVF_RETURN_IF_ERROR(WriteKvfChunkFrame(out, kTag, kLength));
  return out.PutU32(maxValue);
}

KvfStatus KvfMvChunk::Parse(KvfInputStream& in) {
  return in.ReadU32(maxValue);
}

KvfStatus KvfPrChunk::Write(KvfOutputStream& out, std::span<const std::uint8_t> data) {
  if (data.size() > kMaxWrittenLength) return KvfStatus::invalidDataPointer;
  bool first = true;
  while (!data.empty()) {
    const auto piece = static_cast<std::uint16_t>(std::min<std::size_t>(data.size(), kPieceSize));
    const std::uint16_t framing = first ? kKvfChunkFrameSize + 4 : kKvfChunkFrameSize;
    KVF_RETURN_IF_ERROR(WriteKvfChunkFrame(out, kTag, static_cast<std::uint16_t>(framing + piece)));
    if (first) KVF_RETURN_IF_ERROR(out.PutU32(static_cast<std::uint32_t>(data.size())));
    KVF_RETURN_IF_ERROR(out.PutBytes(data.first(piece)));
    data = data.subspan(piece);
    first = false;
  }
  return KvfStatus::ok;
}

KvfStatus KvfPrChunk::Parse(KvfInputStream& in, std::uint16_t length,
                            std::span<std::uint8_t> destination) {
  std::uint16_t framing = kKvfChunkFrameSize;
  if (!seen) {
    KVF_RETURN_IF_ERROR(in.ReadU32(totalLength));
    if (totalLength > kMaxReadLength) return KvfStatus::corruptedHeader;
    seen = true;
    copying = destination.data() != nullptr && totalLength <= destination.size();
    framing += 4;
  }
  const std::uint32_t piece = length > framing ? length - framing : 0;
  if (!copying) return in.Skip(piece);
  if (piece > totalLength - received) return KvfStatus::corruptedHeader;
  KVF_RETURN_IF_ERROR(in.ReadBytes(destination.subspan(received, piece)));
  received += piece;
  return KvfStatus::ok;
}

std::uint16_t KvfDtChunk::PaddingAt(std::uint64_t tagOffset) {
  return static_cast<std::uint16_t>((4 - (tagOffset + kKvfChunkFrameSize) % 4) % 4);
}

KvfStatus KvfDtChunk::Write(KvfOutputStream& out) {
  const std::uint16_t padding = PaddingAt(out.Position());
  KVF_RETURN_IF_ERROR(
      WriteKvfChunkFrame(out, kTag, static_cast<std::uint16_t>(kKvfChunkFrameSize + padding)));
  return out.PutZeros(padding);
}

}  // namespace kvf
