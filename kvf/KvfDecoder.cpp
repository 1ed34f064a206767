#include "kvf/KvfDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <new>

#include "kvf/KvfBitStream.h"
#include "kvf/KvfColourModes.h"
#include "kvf/KvfColourTransform.h"
#include "kvf/KvfLineTransform.h"
#include "kvf/KvfPassword.h"
#include "kvf/KvfPixelLayouts.h"
#include "kvf/KvfQuadCoder.h"
#include "kvf/KvfStripeStore.h"
#include "kvf/KvfTrees.h"

namespace kvf {

namespace {

constexpr std::uint32_t kSessionMark = 0x4B564644;  // "KVFD"
constexpr std::size_t kAlignment = 16;

// What the decoder keeps between calls (in work buffer 4).
struct DecoderSession : KvfSessionBase {
  DecoderSession() { mark = kSessionMark; }
  KvfInputStream in;
  std::uint32_t outWidth = 0;
  std::uint32_t outHeight = 0;
  std::uint32_t downShift = 0;  // 16-bit pictures written to 8-bit layouts keep the high byte
  std::uint32_t byteBudget = 0;
  std::uint64_t bytesRead = 0;
  bool stripeSizesKnown = false;
  bool stopped = false;  // coded data ended early: later stripes stay empty
  std::uint32_t stripesDecoded = 0;
  std::uint32_t rowsDelivered = 0;
};

// The output must be the picture divided by a power of two no larger than 2^levels; sets the
// number of finest levels to leave out.
KvfStatus ScaleOf(const KvfCodingShape& shape, std::uint32_t width, std::uint32_t height,
                  std::uint32_t& skipped) {
  if (width == shape.width && height == shape.height) {
    skipped = 0;
    return KvfStatus::ok;
  }
  if (width < 1 || height < 1 || width > shape.width || height > shape.height) {
    return KvfStatus::invalidImageSize;
  }
  const std::uint32_t factor = shape.height / height;
  if (shape.height / factor != height || shape.width / factor != width ||
      shape.width / width != factor || !std::has_single_bit(factor)) {
    return KvfStatus::invalidImageSize;
  }
  skipped = static_cast<std::uint32_t>(std::countr_zero(factor));
  return skipped <= shape.levels ? KvfStatus::ok : KvfStatus::invalidScaling;
}

KvfStatus CheckOutput(const KvfCodingShape& shape, const KvfDecodeSettings& settings,
                      std::uint32_t& skipped) {
  const KvfPixelLayout* layout = FindKvfPixelLayout(settings.layout);
  if (layout == nullptr || !KvfDecoderAccepts(*layout, shape.colourMode)) {
    return KvfStatus::invalidSourceFormat;
  }
  return ScaleOf(shape, settings.width, settings.height, skipped);
}

constexpr std::size_t kHeaderPart = (sizeof(KvfHeader) + kAlignment - 1) / kAlignment * kAlignment;

// The parsed header sits at the aligned start of the header buffer, its stripe table after it.
void* HeaderMemory(const KvfWorkBuffers& buffers) {
  void* start = buffers[kHeaderBuffer].data();
  std::size_t space = buffers[kHeaderBuffer].size();
  if (start == nullptr) return nullptr;
  return std::align(kAlignment, kHeaderPart, start, space);
}

DecoderSession* SessionIn(const KvfWorkBuffers& buffers) {
  auto* session = static_cast<DecoderSession*>(KvfSessionMemory(buffers, sizeof(DecoderSession)));
  return session != nullptr && session->mark == kSessionMark ? session : nullptr;
}

// One call's view of the session and its buffers.
template <typename Sample>
class DecoderRun {
 public:
  DecoderRun(DecoderSession& session, const KvfWorkLayout& layout)
      : session_(session),
        layout_(layout),
        in_(session.in),
        store_(session, layout),
        lines_(store_.Ring(), store_.Carry(), session.transform) {}

  KvfStatus Rows(std::uint32_t firstRow, std::uint32_t endRow, const KvfOutputRows& rows) {
    const std::uint32_t end = std::min(endRow, session_.outHeight);
    while (session_.rowsDelivered < end) {
      while (lines_.FinalOutputRows() <= session_.rowsDelivered) {
        if (session_.stripesDecoded >= session_.shape.stripeCount) return KvfStatus::internalError;
        KVF_RETURN_IF_ERROR(DecodeStripe(session_.stripesDecoded));
        ++session_.stripesDecoded;
        lines_.RowsDecoded(session_.stripesDecoded * session_.shape.stripeHeight);
        if (session_.progress != nullptr) {
          session_.progress(static_cast<std::int32_t>(100ull * session_.stripesDecoded /
                                                      session_.shape.stripeCount));
        }
      }
      const std::uint32_t row = session_.rowsDelivered++;
      if (row >= firstRow) {
        EmitRow(row, rows.first + static_cast<std::ptrdiff_t>(row - firstRow) * rows.stride);
      }
    }
    return KvfStatus::ok;
  }

 private:
  KvfStatus DecodeStripe(std::uint32_t index) {
    const KvfStripeCoefficients<Sample> stripe = store_.Stripe(index);
    PrepareStripeForDecoding(store_.Tables(), stripe, session_.shape.colourMode,
                             store_.RegionsOf(index), store_.Lists());
    if (!session_.stopped) KVF_RETURN_IF_ERROR(ReadStripe(index, stripe));
    if (session_.stopped) session_.lowestQuality = 0;
    FinishDecodedStripe(store_.Tables(), stripe, store_.Lists());
    return KvfStatus::ok;
  }

  KvfStatus ReadStripe(std::uint32_t index, const KvfStripeCoefficients<Sample>& stripe) {
    std::uint32_t limit = 0;
    if (session_.byteBudget != 0) {
      const std::uint64_t left =
          session_.byteBudget > session_.bytesRead ? session_.byteBudget - session_.bytesRead : 0;
      limit = static_cast<std::uint32_t>(
          std::max<std::uint64_t>(1, left / (session_.shape.stripeCount - index)));
    }
    KvfBitReader reader(in_, limit);
    const KvfCoderProgress progress{session_.progress, index, session_.shape.stripeCount};
    const KvfCoderResult result =
        CodeStripe(reader, store_.Tables(), stripe, store_.Lists(), session_.limits, 0, progress);
    KVF_RETURN_IF_ERROR(reader.Failure());
    if (result.keyMismatch) return KvfStatus::wrongPassword;
    session_.bytesRead += reader.BytesRead();
    const bool unread = reader.Ended() && !reader.SawEndWord() && reader.BytesRead() < 4;
    session_.lowestQuality = std::min<std::uint16_t>(
        session_.lowestQuality, unread ? 0 : static_cast<std::uint16_t>(result.QualityReached()));

    const std::uint32_t size = session_.stripeSizesKnown ? layout_.stripeSizes[index] : 0;
    const bool cut = reader.Ended() && !reader.SawEndWord();
    if (cut && (reader.FileEnded() || size == 0)) {
      session_.stopped = true;  // the next stripe cannot be found
      return KvfStatus::ok;
    }
    const KvfStatus skipped = reader.SkipToStripeEnd(size);
    if (skipped == KvfStatus::illegalEndOfFile) {
      session_.stopped = true;
      return KvfStatus::ok;
    }
    return skipped;
  }

  void EmitRow(std::uint32_t row, std::uint8_t* pixels) {
    const KvfCodingShape& shape = session_.shape;
    const std::uint32_t skipped = session_.transform.skippedLevels;
    std::array<const Sample*, 4> components{};
    for (std::uint32_t c = 0; c < shape.components; ++c) {
      components[c] = store_.Ring().Row(c, row << skipped);
    }
    const std::span<std::int32_t* const> channels(layout_.channels.data(), 4);
    InverseColourTransform<Sample>(shape.colourMode, std::span(components.data(), shape.components),
                                   std::size_t{1} << skipped, session_.outWidth, channels);
    const std::array<const std::int32_t*, 4> packed = {layout_.channels[0], layout_.channels[1],
                                                       layout_.channels[2], layout_.channels[3]};
    PackPixels(*FindKvfPixelLayout(session_.layout), packed, session_.outWidth, session_.downShift,
               pixels);
  }

  DecoderSession& session_;
  const KvfWorkLayout& layout_;
  KvfInputStream& in_;
  KvfStripeStore<Sample> store_;
  KvfInverseLines<Sample> lines_;
};

}  // namespace

KvfStatus KvfDecoder::Plan(const KvfHeader& header, const KvfDecodeSettings& settings,
                           KvfBufferSizes& sizes) {
  KvfCodingShape shape;
  KVF_RETURN_IF_ERROR(KvfShapeFromHeader(header, shape));
  std::uint32_t skipped = 0;
  KVF_RETURN_IF_ERROR(CheckOutput(shape, settings, skipped));
  return KvfWorkBufferSizes(shape, sizeof(DecoderSession), sizes);
}

KvfStatus KvfDecoder::Start(const KvfDecodeSettings& settings, const KvfWorkBuffers& buffers,
                            const KvfInputSource& source) {
  KvfInputStream in;
  KVF_RETURN_IF_ERROR(in.Open(source));
  // The header and its stripe table go to the header buffer before the shape is known: the
  // header at its aligned start, the table in the rest.
  void* start = HeaderMemory(buffers);
  if (start == nullptr) return KvfStatus::invalidDataPointer;
  const std::size_t space =
      buffers[kHeaderBuffer].size() -
      static_cast<std::size_t>(static_cast<std::byte*>(start) - buffers[kHeaderBuffer].data());
  auto* header = new (start) KvfHeader;
  auto* table = reinterpret_cast<std::uint32_t*>(static_cast<std::byte*>(start) + kHeaderPart);
  std::array<KvfRegion, KvfErChunk::kMaxRegions> regions{};
  KvfHeaderSinks sinks;
  sinks.regions = regions;
  sinks.stripeSizes = {table, (space - kHeaderPart) / sizeof(std::uint32_t)};
  sinks.privateData = settings.privateData;
  KVF_RETURN_IF_ERROR(ReadKvfHeader(in, *header, sinks));

  KvfCodingShape shape;
  KVF_RETURN_IF_ERROR(KvfShapeFromHeader(*header, shape));
  std::uint32_t skipped = 0;
  KVF_RETURN_IF_ERROR(CheckOutput(shape, settings, skipped));
  KvfWorkLayout layout;
  KVF_RETURN_IF_ERROR(KvfCarveWorkBuffers(shape, sizeof(DecoderSession), buffers, layout));
  if (layout.stripeSizes.data() != table) return KvfStatus::internalError;

  auto* session = new (layout.session.data()) DecoderSession;
  session->in = in;
  session->shape = shape;
  session->layout = settings.layout;
  session->outWidth = settings.width;
  session->outHeight = settings.height;
  const KvfPixelLayout* pixels = FindKvfPixelLayout(settings.layout);
  session->downShift = pixels->sampleBytes == 1 && shape.sampleBytes == 4 ? 8 : 0;
  session->limits.quality = std::min<std::int32_t>(settings.qualityLimit, kKvfFullQuality);
  session->limits.storedStopPlane = header->coding.stopPlane;
  if (header->hasPassword && header->password.freeQuality < kKvfFullQuality) {
    session->limits.freeQuality = header->password.freeQuality;
    if (settings.key != 0) {
      session->limits.key = settings.key;
    } else if (!settings.password.empty()) {
      if (KvfPasswordCheckValue(settings.password) != header->password.checkValue) {
        return KvfStatus::wrongPassword;
      }
      session->limits.key = KvfPasswordKey(settings.password);
    } else {
      session->limits.quality = std::min(session->limits.quality, session->limits.freeQuality);
    }
  }
  session->byteBudget = settings.byteBudget;
  session->regionCount = header->regions.regionCount;
  session->regionWeight = KvfEffectiveRegionWeight(header->regions.regionWeight, shape.levels);
  std::copy_n(regions.begin(), session->regionCount, layout.regions.begin());
  session->stripeSizesKnown = header->hasStripeTable;
  session->progress = settings.progress;
  session->transform.levels = shape.levels;
  session->transform.skippedLevels = skipped;
  session->transform.codedHeight = shape.codedHeight;
  return KvfStatus::ok;
}

const KvfHeader* KvfDecoder::Header(const KvfWorkBuffers& buffers) {
  if (SessionIn(buffers) == nullptr) return nullptr;
  return static_cast<const KvfHeader*>(HeaderMemory(buffers));
}

KvfStatus KvfDecoder::DecodeRows(const KvfWorkBuffers& buffers, std::uint32_t firstRow,
                                 std::uint32_t endRow, const KvfOutputRows& rows,
                                 KvfDecodeReport& report) {
  DecoderSession* session = SessionIn(buffers);
  if (session == nullptr) return KvfStatus::internalError;
  if (rows.first == nullptr && endRow > firstRow) return KvfStatus::invalidResultPointer;
  if (firstRow < session->rowsDelivered || endRow < firstRow) return KvfStatus::invalidImageSize;
  KvfWorkLayout layout;
  KVF_RETURN_IF_ERROR(KvfCarveWorkBuffers(session->shape, sizeof(DecoderSession), buffers, layout));
  const KvfStatus status =
      session->shape.sampleBytes == 2
          ? DecoderRun<std::int16_t>(*session, layout).Rows(firstRow, endRow, rows)
          : DecoderRun<std::int32_t>(*session, layout).Rows(firstRow, endRow, rows);
  report.qualityReached = session->lowestQuality;
  return status;
}

}  // namespace kvf
