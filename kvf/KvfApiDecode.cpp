// The decoding entry points of kvf.h over the decoder core.
#include <algorithm>
#include <cstring>
#include <limits>

#include "kvf/KvfApiSupport.h"
#include "kvf/KvfDecoder.h"
#include "kvf/KvfHeader.h"
#include "kvf/kvf.h"

namespace kvf {

namespace {

constexpr std::uint32_t kHeaderStateMark = 0x4B564648;  // "KVFH"
constexpr std::size_t kHeaderStateOffset = 8;
static_assert(kHeaderStateOffset + sizeof(KvfHeader) <= KVF_HEADER_STATE_SIZE);
static_assert(KVF_HEADER_STATE_SIZE == kKvfHeaderStateSize);

// The caller's callbacks with the file position they leave behind, so that the header reader
// can bring the buffer back to the start of the file. The first `filled` bytes came from 0.
struct TrackedFile {
  const KvfDecodeParams* params;
  std::int64_t position;

  static std::int32_t Fetch(void* context, std::uint32_t size) {
    auto* file = static_cast<TrackedFile*>(context);
    const std::int32_t got = file->params->fetch(file->params->context, size);
    if (got > 0) file->position += got;
    return got;
  }
  static std::int32_t Seek(void* context, std::int32_t offset) {
    auto* file = static_cast<TrackedFile*>(context);
    const std::int32_t result = file->params->seek(file->params->context, offset);
    if (result == 0) file->position += offset;
    return result;
  }

  // Seeks back to offset 0 and refetches the first `filled` bytes.
  KvfStatus Rewind() {
    if (position == params->filled) return KvfStatus::ok;
    if (params->seek == nullptr) return KvfStatus::seekFailed;
    while (position > 0) {
      const auto step = static_cast<std::int32_t>(
          std::min<std::int64_t>(position, std::numeric_limits<std::int32_t>::max()));
      if (params->seek(params->context, -step) != 0) return KvfStatus::seekFailed;
      position -= step;
    }
    const std::int32_t got = params->fetch(params->context, params->filled);
    if (got < 0 || static_cast<std::uint32_t>(got) != params->filled) return KvfStatus::fetchFailed;
    position = got;
    return KvfStatus::ok;
  }
};

KvfInputSource SourceOf(const KvfDecodeParams& params) {
  return {std::span(params.buffer, params.filled), params.filled, params.fetch, params.seek,
          params.context};
}

void FillInfo(const KvfHeader& header, KvfInfo& info) {
  info.height = header.picture.height;
  info.width = header.picture.width;
  info.codedSize = header.codedSize;
  info.quality = header.quality.quality;
  info.version = header.version;
  info.xres = header.resolution.xResolution;
  info.yres = header.resolution.yResolution;
  info.colourMode = header.picture.colourMode;
  info.modeFlags = header.picture.modeFlags;
  info.levels = header.coding.levels;
  info.freeQuality = header.hasPassword ? header.password.freeQuality : kKvfFullQuality;
  info.maxval = header.maxValue.maxValue;
}

KvfStatus ReadHeader(KvfInfo& info, KvfDecodeParams& params, const KvfWorkspace& workspace) {
  if (params.buffer == nullptr) return KvfStatus::invalidDataPointer;
  if (params.filled == 0) return KvfStatus::illegalEndOfFile;
  const KvfWorkBuffers buffers = BuffersOf(workspace);
  if (buffers[kHeaderBuffer].size() < KVF_HEADER_STATE_SIZE) return KvfStatus::invalidDataPointer;

  TrackedFile file{&params, params.filled};
  KvfInputSource source = SourceOf(params);
  source.fetch = params.fetch != nullptr ? &TrackedFile::Fetch : nullptr;
  source.seek = params.seek != nullptr ? &TrackedFile::Seek : nullptr;
  source.context = &file;
  KvfInputStream in;
  KVF_RETURN_IF_ERROR(in.Open(source));
  KvfHeader header;
  const KvfStatus status = ReadKvfHeader(in, header, {});
  // A version or colour mode we cannot read still tells the caller what the file is.
  if (status == KvfStatus::ok || status == KvfStatus::wrongVersion ||
      status == KvfStatus::invalidColourSpace) {
    info = KvfInfo{};
    FillInfo(header, info);
  }
  KVF_RETURN_IF_ERROR(status);
  params.privateSize = header.privateLength;
  std::memcpy(buffers[kHeaderBuffer].data(), &kHeaderStateMark, sizeof kHeaderStateMark);
  std::memcpy(buffers[kHeaderBuffer].data() + kHeaderStateOffset, &header, sizeof header);
  return file.Rewind();
}

// The header KvfReadHeader left in buffer 3.
KvfStatus StoredHeader(const KvfWorkspace& workspace, KvfHeader& header) {
  const KvfWorkBuffers buffers = BuffersOf(workspace);
  std::uint32_t mark = 0;
  if (buffers[kHeaderBuffer].size() < KVF_HEADER_STATE_SIZE) return KvfStatus::invalidDataPointer;
  std::memcpy(&mark, buffers[kHeaderBuffer].data(), sizeof mark);
  if (mark != kHeaderStateMark) return KvfStatus::invalidDataPointer;
  std::memcpy(&header, buffers[kHeaderBuffer].data() + kHeaderStateOffset, sizeof header);
  return KvfStatus::ok;
}

KvfStatus SettingsOf(const KvfImage& image, const KvfDecodeParams& params,
                     KvfDecodeSettings& settings) {
  if (image.width < 1 || image.height < 1) return KvfStatus::invalidImageSize;
  if (params.rowOffset != 0) return KvfStatus::invalidScaling;
  if (params.byteBudget < 0) return KvfStatus::invalidCoderParameters;
  settings.layout = image.format;
  settings.width = static_cast<std::uint32_t>(image.width);
  settings.height = static_cast<std::uint32_t>(image.height);
  settings.qualityLimit = std::min<std::uint16_t>(params.qualityLimit, kKvfFullQuality);
  settings.byteBudget = static_cast<std::uint32_t>(params.byteBudget);
  settings.password = PasswordText(params.password);
  settings.key = params.password != nullptr ? params.password->key : 0;
  if (params.privateData != nullptr) {
    settings.privateData = std::span(params.privateData, params.privateSize);
  }
  settings.progress = params.progress;
  return KvfStatus::ok;
}

// A reference size is either left at 0 or the picture's own.
bool ReferenceIsPicture(const KvfDecodeParams& params, const KvfHeader& header) {
  const auto matches = [](std::int32_t given, std::uint32_t actual) {
    return given == 0 || (given > 0 && static_cast<std::uint32_t>(given) == actual);
  };
  return matches(params.refWidth, header.picture.width) &&
         matches(params.refHeight, header.picture.height);
}

void DescribeInto(const KvfHeader& header, KvfImage& image) {
  image.xres = header.resolution.xResolution;
  image.yres = header.resolution.yResolution;
  image.maxval = header.maxValue.maxValue;
}

KvfStatus DecodeInit(KvfImage& image, const KvfDecodeParams& params, KvfWorkspace& workspace) {
  KvfHeader header;
  KVF_RETURN_IF_ERROR(StoredHeader(workspace, header));
  if (!ReferenceIsPicture(params, header)) return KvfStatus::invalidScaling;
  KvfDecodeSettings settings;
  KVF_RETURN_IF_ERROR(SettingsOf(image, params, settings));
  KvfBufferSizes sizes{};
  KVF_RETURN_IF_ERROR(KvfDecoder::Plan(header, settings, sizes));
  StoreSizes(sizes, workspace);
  DescribeInto(header, image);
  return KvfStatus::ok;
}

KvfStatus Decode(KvfImage& image, KvfDecodeParams& params, const KvfWorkspace& workspace) {
  const KvfWorkBuffers buffers = BuffersOf(workspace);
  if ((params.flags & KVF_FIRST_CALL) != 0) {
    KvfDecodeSettings settings;
    KVF_RETURN_IF_ERROR(SettingsOf(image, params, settings));
    if (params.buffer == nullptr) return KvfStatus::invalidDataPointer;
    if (params.filled == 0) return KvfStatus::illegalEndOfFile;
    KVF_RETURN_IF_ERROR(KvfDecoder::Start(settings, buffers, SourceOf(params)));
    const KvfHeader* header = KvfDecoder::Header(buffers);
    if (header == nullptr) return KvfStatus::internalError;
    if (!ReferenceIsPicture(params, *header)) return KvfStatus::invalidScaling;
    params.privateSize = header->privateLength;
    params.privateRead = header->privateCopied ? 1 : 0;
    DescribeInto(*header, image);
  }
  if (params.firstRow < 0 || params.endRow < params.firstRow || params.endRow > image.height) {
    return KvfStatus::invalidImageSize;
  }
  if (image.rows == nullptr) return KvfStatus::invalidResultPointer;
  const KvfOutputRows rows{image.rows + std::ptrdiff_t{params.firstRow} * image.stride,
                           image.stride};
  KvfDecodeReport report;
  const KvfStatus status =
      KvfDecoder::DecodeRows(buffers, static_cast<std::uint32_t>(params.firstRow),
                             static_cast<std::uint32_t>(params.endRow), rows, report);
  params.qualityReached = report.qualityReached;
  return status;
}

}  // namespace

}  // namespace kvf

extern "C" {

int16_t KvfReadHeader(KvfInfo* info, KvfDecodeParams* params, KvfWorkspace* workspace) {
  if (!kvf::TagIsRight(workspace)) return kvf::Code(kvf::KvfStatus::wrongInterface);
  if (info == nullptr || params == nullptr) return kvf::Code(kvf::KvfStatus::invalidDataPointer);
  return kvf::Code(kvf::ReadHeader(*info, *params, *workspace));
}

int16_t KvfDecodeInit(KvfImage* image, KvfDecodeParams* params, KvfWorkspace* workspace) {
  if (!kvf::TagIsRight(workspace)) return kvf::Code(kvf::KvfStatus::wrongInterface);
  if (image == nullptr || params == nullptr) return kvf::Code(kvf::KvfStatus::invalidDataPointer);
  return kvf::Code(kvf::DecodeInit(*image, *params, *workspace));
}

int16_t KvfDecode(KvfImage* image, KvfDecodeParams* params, KvfWorkspace* workspace) {
  if (!kvf::TagIsRight(workspace)) return kvf::Code(kvf::KvfStatus::wrongInterface);
  if (image == nullptr || params == nullptr) return kvf::Code(kvf::KvfStatus::invalidDataPointer);
  return kvf::Code(kvf::Decode(*image, *params, *workspace));
}

}  // extern "C"
