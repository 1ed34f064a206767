// The encoding entry points of kvf.h over the encoder core.
#include <algorithm>
#include <array>

#include "kvf/KvfApiSupport.h"
#include "kvf/KvfEncoder.h"
#include "kvf/kvf.h"

namespace kvf {

namespace {

// The settings of one encode; `regions` receives the region list, which the settings view.
KvfStatus SettingsOf(const KvfImage& image, const KvfEncodeParams& params,
                     std::array<KvfRegion, KVF_MAX_REGIONS>& regions, KvfEncodeSettings& settings) {
  if (image.width < 1 || image.height < 1) return KvfStatus::invalidImageSize;
  settings.width = static_cast<std::uint32_t>(image.width);
  settings.height = static_cast<std::uint32_t>(image.height);
  settings.layout = image.format;
  settings.colourMode = params.colourMode;
  settings.levels = params.levels;
  settings.baseline = (params.modeFlags & KVF_MODE_BASELINE) != 0;
  settings.maxValue = image.maxval;
  settings.quality = params.quality;
  settings.targetSize = params.targetSize;
  if (params.regions != nullptr && params.regions->count > 0) {
    const KvfRegionList& list = *params.regions;
    for (std::size_t i = 0; i < list.count; ++i) {
      const KvfRegionEntry& entry = list.entries[i];
      regions[i] = {entry.x, entry.y, entry.width, entry.height};
    }
    settings.regions = std::span(regions.data(), list.count);
    settings.regionWeight = list.weight;
  }
  settings.password = PasswordText(params.password);
  settings.freeQuality = params.password != nullptr ? params.password->freeQuality
                                                    : static_cast<std::uint16_t>(kKvfFullQuality);
  settings.xResolution = image.xres;
  settings.yResolution = image.yres;
  if (params.privateSize > 0) {
    if (params.privateData == nullptr) return KvfStatus::invalidDataPointer;
    settings.privateData = std::span(params.privateData, params.privateSize);
  }
  settings.progress = params.progress;
  return KvfStatus::ok;
}

KvfStatus EncodeInit(const KvfImage& image, const KvfEncodeParams& params,
                     KvfWorkspace& workspace) {
  std::array<KvfRegion, KVF_MAX_REGIONS> regions{};
  KvfEncodeSettings settings;
  KVF_RETURN_IF_ERROR(SettingsOf(image, params, regions, settings));
  KvfBufferSizes sizes{};
  KVF_RETURN_IF_ERROR(KvfEncoder::Plan(settings, sizes));
  StoreSizes(sizes, workspace);
  return KvfStatus::ok;
}

KvfStatus Encode(const KvfImage& image, KvfEncodeParams& params, const KvfWorkspace& workspace) {
  const KvfWorkBuffers buffers = BuffersOf(workspace);
  if ((params.flags & KVF_FIRST_CALL) != 0) {
    std::array<KvfRegion, KVF_MAX_REGIONS> regions{};
    KvfEncodeSettings settings;
    KVF_RETURN_IF_ERROR(SettingsOf(image, params, regions, settings));
    if (params.outBuffer == nullptr) return KvfStatus::invalidDataPointer;
    const KvfOutputTarget target{std::span(params.outBuffer, params.outSize), params.flush,
                                 params.seek, params.context};
    KVF_RETURN_IF_ERROR(KvfEncoder::Start(settings, buffers, target));
  }
  if (params.firstRow < 0 || params.endRow < params.firstRow || params.endRow > image.height ||
      static_cast<std::uint32_t>(params.firstRow) != KvfEncoder::RowsReceived(buffers)) {
    return KvfStatus::invalidImageSize;
  }
  const auto count = static_cast<std::uint32_t>(params.endRow - params.firstRow);
  if (count > 0 && image.rows == nullptr) return KvfStatus::invalidDataPointer;
  const KvfPixelRows rows{
      count > 0 ? image.rows + std::ptrdiff_t{params.firstRow} * image.stride : nullptr,
      image.stride, count};
  KvfEncodeReport report;
  KVF_RETURN_IF_ERROR(
      KvfEncoder::EncodeRows(buffers, rows, (params.flags & KVF_LAST_CALL) != 0, report));
  params.written = report.bytesWritten;
  params.qualityReached = report.qualityReached;
  return KvfStatus::ok;
}

}  // namespace

}  // namespace kvf

extern "C" {

int16_t KvfEncodeInit(KvfImage* image, KvfEncodeParams* params, KvfWorkspace* workspace) {
  if (!kvf::TagIsRight(workspace)) return kvf::Code(kvf::KvfStatus::wrongInterface);
  if (image == nullptr || params == nullptr) return kvf::Code(kvf::KvfStatus::invalidDataPointer);
  return kvf::Code(kvf::EncodeInit(*image, *params, *workspace));
}

int16_t KvfEncode(KvfImage* image, KvfEncodeParams* params, KvfWorkspace* workspace) {
  if (!kvf::TagIsRight(workspace)) return kvf::Code(kvf::KvfStatus::wrongInterface);
  if (image == nullptr || params == nullptr) return kvf::Code(kvf::KvfStatus::invalidDataPointer);
  return kvf::Code(kvf::Encode(*image, *params, *workspace));
}

}  // extern "C"
