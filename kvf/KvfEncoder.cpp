#include "kvf/KvfEncoder.h"

#include <algorithm>
#include <new>

#include "kvf/KvfBitStream.h"
#include "kvf/KvfColourModes.h"
#include "kvf/KvfColourTransform.h"
#include "kvf/KvfGeometry.h"
#include "kvf/KvfHeader.h"
#include "kvf/KvfLineTransform.h"
#include "kvf/KvfPassword.h"
#include "kvf/KvfPixelLayouts.h"
#include "kvf/KvfQuadCoder.h"
#include "kvf/KvfQuality.h"
#include "kvf/KvfStripeStore.h"
#include "kvf/KvfTrees.h"

namespace kvf {

namespace {

constexpr std::uint32_t kSessionMark = 0x4B564645;  // "KVFE"
constexpr std::int32_t kLargestPlane = 31;

// What the encoder keeps between calls (in work buffer 4).
struct EncoderSession : KvfSessionBase {
  EncoderSession() { mark = kSessionMark; }
  KvfOutputStream out;
  std::uint32_t targetSize = 0;
  const std::uint8_t* privateData = nullptr;
  std::size_t privateSize = 0;
  std::uint32_t headerLength = 0;
  std::uint32_t rowsReceived = 0;
  std::uint32_t stripesCoded = 0;
  std::uint64_t bytesProduced = 0;
  bool finished = false;
};

KvfStatus ShapeFromSettings(const KvfEncodeSettings& settings, KvfCodingShape& shape) {
  if (settings.width == 0 || settings.height == 0 || settings.width > 0x7FFFFFFF ||
      settings.height > 0x7FFFFFFF) {
    return KvfStatus::invalidImageSize;
  }
  const KvfPixelLayout* layout = FindKvfPixelLayout(settings.layout);
  if (layout == nullptr) return KvfStatus::invalidSourceFormat;
  const std::uint32_t largest = layout->sampleBytes == 1 ? 255 : 65535;
  if (settings.maxValue > largest) return KvfStatus::invalidSourceFormat;
  if (!KvfEncoderAccepts(*layout, settings.colourMode)) return KvfStatus::invalidColourSpace;
  if (settings.levels > kKvfMaxCoderLevels) return KvfStatus::levelTooHigh;
  if (settings.quality > kKvfFullQuality || settings.freeQuality > kKvfFullQuality ||
      settings.regions.size() > KvfErChunk::kMaxRegions) {
    return KvfStatus::invalidCoderParameters;
  }
  KvfGeometry geometry;
  KVF_RETURN_IF_ERROR(ComputeKvfGeometry(settings.width, settings.height, settings.levels,
                                         settings.baseline, geometry));
  const KvfColourMode* mode = FindKvfColourMode(settings.colourMode);
  shape.width = settings.width;
  shape.height = settings.height;
  shape.codedWidth = geometry.codedWidth;
  shape.codedHeight = geometry.codedHeight;
  shape.stripeHeight = geometry.stripeHeight;
  shape.stripeCount = geometry.stripeCount;
  shape.levels = settings.levels;
  shape.components = mode->components;
  shape.colourMode = mode->mode;
  shape.sampleBytes = mode->sampleBits == 8 ? 2 : 4;
  shape.baseline = geometry.baseline;
  return KvfStatus::ok;
}

KvfHeader HeaderFor(const KvfEncodeSettings& settings, const KvfCodingShape& shape) {
  KvfHeader header;
  header.picture.width = shape.width;
  header.picture.height = shape.height;
  header.picture.colourMode = static_cast<std::uint8_t>(shape.colourMode);
  header.picture.modeFlags = shape.baseline ? KvfGeChunk::kBaselineFlag : 0;
  header.coding.codedWidth = shape.codedWidth;
  header.coding.stripeHeight = shape.stripeHeight;
  header.coding.levels = static_cast<std::uint8_t>(shape.levels);
  header.coding.stripeCount = static_cast<std::uint16_t>(shape.stripeCount);
  if (settings.regionWeight > 0 && !settings.regions.empty()) {
    header.regions.regionCount = static_cast<std::uint8_t>(settings.regions.size());
    header.regions.regionWeight = settings.regionWeight;
  }
  header.resolution.xResolution = settings.xResolution;
  header.resolution.yResolution = settings.yResolution;
  if (!settings.password.empty() && settings.freeQuality < kKvfFullQuality) {
    header.password.checkValue = KvfPasswordCheckValue(settings.password);
    header.password.freeQuality = settings.freeQuality;
  }
  header.maxValue.maxValue = settings.maxValue;
  return header;
}

// One call's view of the session and its buffers.
template <typename Sample>
class EncoderRun {
 public:
  EncoderRun(EncoderSession& session, const KvfWorkLayout& layout)
      : session_(session),
        layout_(layout),
        out_(session.out),
        store_(session, layout),
        lines_(store_.Ring(), store_.Carry(), session.transform) {}

  KvfStatus AddRows(const KvfPixelRows& rows) {
    const KvfPixelLayout& layout = *FindKvfPixelLayout(session_.layout);
    for (std::uint32_t r = 0; r < rows.count; ++r) {
      if (session_.rowsReceived >= session_.shape.height) return KvfStatus::invalidImageSize;
      const std::uint8_t* pixels = rows.first + static_cast<std::ptrdiff_t>(r) * rows.stride;
      UnpackPixels(layout, pixels, session_.shape.width, layout_.channels);
      KVF_RETURN_IF_ERROR(AddCodedRow());
      ++session_.rowsReceived;
    }
    return KvfStatus::ok;
  }

  // Rows below the picture repeat its last row, whose samples are still in the channel rows.
  KvfStatus FillCodedArea() {
    while (session_.transform.rowsIn < session_.shape.codedHeight) {
      KVF_RETURN_IF_ERROR(AddCodedRow());
    }
    return KvfStatus::ok;
  }

 private:
  KvfStatus AddCodedRow() {
    const KvfCodingShape& shape = session_.shape;
    const std::uint32_t y = session_.transform.rowsIn;
    // The ring row about to be filled must belong to no stripe still waiting to be coded.
    if (y >= (session_.stripesCoded + 2) * shape.stripeHeight && shape.baseline) {
      return KvfStatus::internalError;
    }
    std::array<Sample*, 4> components{};
    for (std::uint32_t c = 0; c < shape.components; ++c) components[c] = store_.Ring().Row(c, y);
    const std::span<const std::int32_t* const> channels(layout_.channels.data(), 4);
    ForwardColourTransform<Sample>(shape.colourMode, channels, shape.width,
                                   std::span(components.data(), shape.components));
    for (std::uint32_t c = 0; c < shape.components; ++c) {
      PadByRepetition(std::span(components[c], shape.codedWidth), shape.width);
    }
    lines_.AddRow();
    return CodeFinishedStripes();
  }

  KvfStatus CodeFinishedStripes() {
    const KvfCodingShape& shape = session_.shape;
    while (session_.stripesCoded < shape.stripeCount &&
           lines_.FinalRows() >= (session_.stripesCoded + 1) * shape.stripeHeight) {
      KVF_RETURN_IF_ERROR(CodeStripe(session_.stripesCoded));
      ++session_.stripesCoded;
      if (session_.progress != nullptr) {
        session_.progress(
            static_cast<std::int32_t>(100ull * session_.stripesCoded / shape.stripeCount));
      }
    }
    return KvfStatus::ok;
  }

  KvfStatus CodeStripe(std::uint32_t index) {
    const KvfCodingShape& shape = session_.shape;
    const KvfStripeCoefficients<Sample> stripe = store_.Stripe(index);
    const std::int32_t planes = PrepareStripeForCoding(store_.Tables(), stripe, shape.colourMode,
                                                       store_.RegionsOf(index), store_.Lists());
    if (planes > kLargestPlane) return KvfStatus::sourceOutOfRange;

    const std::uint32_t budget =
        StripeBudget(session_.targetSize, session_.bytesProduced, shape.stripeCount - index);
    KvfBitWriter writer(out_, budget);
    const KvfCoderProgress progress{session_.progress, index, shape.stripeCount};
    const KvfCoderResult result = kvf::CodeStripe(writer, store_.Tables(), stripe, store_.Lists(),
                                                  session_.limits, planes, progress);
    KVF_RETURN_IF_ERROR(writer.Finish());
    layout_.stripeSizes[index] = writer.BytesWritten();
    session_.bytesProduced += writer.BytesWritten();
    session_.lowestQuality = std::min<std::uint16_t>(
        session_.lowestQuality, static_cast<std::uint16_t>(result.QualityReached()));
    return KvfStatus::ok;
  }

  EncoderSession& session_;
  const KvfWorkLayout& layout_;
  KvfOutputStream& out_;
  KvfStripeStore<Sample> store_;
  KvfForwardLines<Sample> lines_;
};

KvfHeaderPayloads PayloadsOf(const EncoderSession& session, const KvfWorkLayout& layout) {
  KvfHeaderPayloads payloads;
  payloads.regions = layout.regions.first(session.regionCount);
  payloads.stripeSizes = layout.stripeSizes;
  payloads.privateData = {session.privateData, session.privateSize};
  return payloads;
}

template <typename Sample>
KvfStatus Encode(EncoderSession& session, const KvfWorkLayout& layout, const KvfPixelRows& rows,
                 bool last) {
  EncoderRun<Sample> run(session, layout);
  KVF_RETURN_IF_ERROR(run.AddRows(rows));
  if (!last) return KvfStatus::ok;
  if (session.rowsReceived != session.shape.height) return KvfStatus::invalidImageSize;
  return run.FillCodedArea();
}

KvfStatus Finish(EncoderSession& session, const KvfWorkLayout& layout) {
  KvfOutputStream& out = session.out;
  session.finished = true;
  if (out.CanRevisitStart()) {
    KvfHeader header = *layout.header;
    header.quality.quality = session.lowestQuality;
    header.coding.stopPlane =
        static_cast<std::int8_t>(EffectiveStopPlane(-1, session.shape.levels));
    KVF_RETURN_IF_ERROR(
        RewriteKvfHeader(out, header, PayloadsOf(session, layout), session.headerLength));
  }
  return out.Flush();
}

}  // namespace

KvfStatus KvfEncoder::Plan(const KvfEncodeSettings& settings, KvfBufferSizes& sizes) {
  KvfCodingShape shape;
  KVF_RETURN_IF_ERROR(ShapeFromSettings(settings, shape));
  return KvfWorkBufferSizes(shape, sizeof(EncoderSession), sizes);
}

KvfStatus KvfEncoder::Start(const KvfEncodeSettings& settings, const KvfWorkBuffers& buffers,
                            const KvfOutputTarget& target) {
  KvfCodingShape shape;
  KVF_RETURN_IF_ERROR(ShapeFromSettings(settings, shape));
  KvfWorkLayout layout;
  KVF_RETURN_IF_ERROR(KvfCarveWorkBuffers(shape, sizeof(EncoderSession), buffers, layout));

  auto* session = new (layout.session.data()) EncoderSession;
  KVF_RETURN_IF_ERROR(session->out.Open(target));
  session->shape = shape;
  session->layout = settings.layout;
  session->limits.quality = settings.quality;
  const bool protectedFile = !settings.password.empty() && settings.freeQuality < kKvfFullQuality;
  session->limits.freeQuality = protectedFile ? settings.freeQuality : kKvfFullQuality;
  session->limits.key = protectedFile ? KvfPasswordKey(settings.password) : 0;
  session->targetSize = settings.targetSize;
  const KvfHeader* header = new (layout.header) KvfHeader(HeaderFor(settings, shape));
  session->regionCount = header->regions.regionCount;
  session->regionWeight = KvfEffectiveRegionWeight(header->regions.regionWeight, shape.levels);
  std::copy_n(settings.regions.begin(), session->regionCount, layout.regions.begin());
  session->privateData = settings.privateData.data();
  session->privateSize = settings.privateData.size();
  session->progress = settings.progress;
  session->transform.levels = shape.levels;
  session->transform.codedHeight = shape.codedHeight;
  std::fill(layout.stripeSizes.begin(), layout.stripeSizes.end(), 0u);

  KVF_RETURN_IF_ERROR(WritePlaceholderKvfHeader(session->out, *header, PayloadsOf(*session, layout),
                                                session->headerLength));
  session->bytesProduced = session->headerLength;
  return KvfStatus::ok;
}

std::uint32_t KvfEncoder::RowsReceived(const KvfWorkBuffers& buffers) {
  const auto* session =
      static_cast<const EncoderSession*>(KvfSessionMemory(buffers, sizeof(EncoderSession)));
  return session != nullptr && session->mark == kSessionMark ? session->rowsReceived : 0;
}

KvfStatus KvfEncoder::EncodeRows(const KvfWorkBuffers& buffers, const KvfPixelRows& rows, bool last,
                                 KvfEncodeReport& report) {
  auto* session = static_cast<EncoderSession*>(KvfSessionMemory(buffers, sizeof(EncoderSession)));
  if (session == nullptr) return KvfStatus::invalidDataPointer;
  if (session->mark != kSessionMark || session->finished) return KvfStatus::internalError;
  if (rows.count > 0 && rows.first == nullptr) return KvfStatus::invalidDataPointer;
  KvfWorkLayout layout;
  KVF_RETURN_IF_ERROR(KvfCarveWorkBuffers(session->shape, sizeof(EncoderSession), buffers, layout));

  const KvfStatus status = session->shape.sampleBytes == 2
                               ? Encode<std::int16_t>(*session, layout, rows, last)
                               : Encode<std::int32_t>(*session, layout, rows, last);
  KVF_RETURN_IF_ERROR(status);
  if (last) KVF_RETURN_IF_ERROR(Finish(*session, layout));
  report.bytesWritten = static_cast<std::uint32_t>(session->bytesProduced);
  report.qualityReached = session->lowestQuality;
  return KvfStatus::ok;
}

}  // namespace kvf
