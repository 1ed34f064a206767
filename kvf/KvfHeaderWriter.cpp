#include "kvf/KvfHeader.h"

namespace kvf {

namespace {

constexpr std::uint16_t kPlaceholderQuality = 1;

[[nodiscard]] KvfStatus WriteSignature(KvfOutputStream& out, std::uint8_t version) {
  const std::uint8_t signature[4] = {'W', 'V', version, 0};
  return out.PutBytes(signature);
}

}  // namespace

KvfStatus WriteKvfHeader(KvfOutputStream& out, const KvfHeader& header,
                         const KvfHeaderPayloads& payloads, std::uint32_t& headerLength) {
  const std::uint64_t start = out.Position();
  KVF_RETURN_IF_ERROR(WriteSignature(out, header.version));
  KVF_RETURN_IF_ERROR(header.picture.Write(out));
  KVF_RETURN_IF_ERROR(header.coding.Write(out));
  if (header.regions.regionCount > 0) {
    KVF_RETURN_IF_ERROR(header.regions.Write(out, payloads.regions));
  }
  if (header.quality.quality != 0) KVF_RETURN_IF_ERROR(header.quality.Write(out));
  if (header.hasStripeTable) {
    KVF_RETURN_IF_ERROR(KvfStChunk::Write(out, header.coding.stripeCount, payloads.stripeSizes));
  }
  if (header.resolution.NeedsChunk()) KVF_RETURN_IF_ERROR(header.resolution.Write(out));
  if (header.password.freeQuality < kKvfFullQuality) {
    KVF_RETURN_IF_ERROR(header.password.Write(out));
  }
  if (header.maxValue.maxValue != 0) KVF_RETURN_IF_ERROR(header.maxValue.Write(out));
  if (!payloads.privateData.empty()) {
    KVF_RETURN_IF_ERROR(KvfPrChunk::Write(out, payloads.privateData));
  }
  KVF_RETURN_IF_ERROR(KvfDtChunk::Write(out));
  headerLength = static_cast<std::uint32_t>(out.Position() - start);
  return KvfStatus::ok;
}

KvfStatus WritePlaceholderKvfHeader(KvfOutputStream& out, KvfHeader header,
                                    const KvfHeaderPayloads& payloads,
                                    std::uint32_t& headerLength) {
  const bool revisitable = out.CanRevisitStart();
  header.hasStripeTable = revisitable;
  header.quality.quality = revisitable ? kPlaceholderQuality : 0;
  header.coding.stopPlane = -1;
  KvfHeaderPayloads placeholder = payloads;
  placeholder.stripeSizes = {};
  return WriteKvfHeader(out, header, placeholder, headerLength);
}

KvfStatus RewriteKvfHeader(KvfOutputStream& out, KvfHeader header,
                           const KvfHeaderPayloads& payloads, std::uint32_t placeholderLength) {
  if (!out.CanRevisitStart()) return KvfStatus::internalError;
  header.hasStripeTable = true;
  KVF_RETURN_IF_ERROR(out.SeekToStart());
  std::uint32_t headerLength = 0;
  KVF_RETURN_IF_ERROR(WriteKvfHeader(out, header, payloads, headerLength));
  if (headerLength != placeholderLength) return KvfStatus::internalError;
  return out.SeekToEnd();
}

}  // namespace kvf
