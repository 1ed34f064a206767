// Reading and writing the version 0/1 header, in files and memory blocks.
#include "LegacyHeader.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <memory>

#include "CodecStatus.h"
#include "WaveletTransform.h"
#include "kvfcodec.h"

namespace kvfcodec {

int thresholdNibble(int threshold) {
  if (threshold < 2) return 1;
  return std::min(15, static_cast<int>(std::bit_width(static_cast<unsigned>(threshold))));
}

int parseHeader(std::span<const uint8_t> bytes, LegacyHeader& h) {
  if (bytes.size() < 3 || bytes[0] != 'W' || bytes[1] != 'V') return kNotKvf;
  if (bytes[2] > 1) return kNewerVersion;
  h.version = bytes[2];
  if (bytes.size() < headerBytes(h)) return kNotKvf;
  h.width = (bytes[3] << 8) | bytes[4];
  h.height = (bytes[5] << 8) | bytes[6];
  h.filter = bytes[7];
  const int nibble = bytes[8] >> 4;
  h.levels = bytes[8] & 0x0F;
  h.threshold = nibble == 0 ? 0 : 1 << (nibble - 1);
  h.channels = bytes[9] >> 2;
  h.colour = bytes[9] & 3;
  h.stamp = h.version == 1 ? (bytes[10] << 8) | bytes[11] : 0;
  if (h.filter >= KVF_FILTER_COUNT) return kBadFilter;
  return kOk;
}

int validateHeader(const LegacyHeader& h) {
  if (h.filter < 0 || h.filter >= KVF_FILTER_COUNT) return kBadFilter;
  if (h.width <= 0 || h.height <= 0 || h.channels <= 0 || h.threshold <= 0) return kInconsistent;
  if (h.levels < 1 || h.levels > KVF_MAX_LEVELS) return kBadLevels;
  const int64_t unit = int64_t{1} << h.levels;
  const int64_t paddedWidth = (h.width + unit - 1) / unit * unit;
  const int64_t paddedHeight = (h.height + unit - 1) / unit * unit;
  if (paddedWidth * paddedHeight * h.channels > kMaxPlaneSamples) return kNoMemory;
  return levelsFit(static_cast<int>(paddedWidth), static_cast<int>(paddedHeight), h.levels,
                   h.filter, KVF_MAX_LEVELS);
}

void appendHeader(const LegacyHeader& h, std::vector<uint8_t>& out, bool withStamp) {
  const auto push16 = [&](int v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
  };
  push16(h.width);
  push16(h.height);
  out.push_back(static_cast<uint8_t>(h.filter));
  out.push_back(static_cast<uint8_t>((thresholdNibble(h.threshold) << 4) | (h.levels & 0x0F)));
  const int colour = h.channels >= 2 ? (h.colour & 3) : 0;
  out.push_back(static_cast<uint8_t>((h.channels << 2) | colour));
  if (withStamp) push16(kStamp);
}

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::vector<uint8_t> signatureAndHeader(const LegacyHeader& h) {
  std::vector<uint8_t> bytes = {'W', 'V', 1};
  appendHeader(h, bytes, true);
  return bytes;
}

int writeFile(const char* path, const char* mode, const std::vector<uint8_t>& bytes) {
  File f(DllFopen(path, mode));
  if (!f) return kWriteFailed;
  if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return kWriteFailed;
  return std::fclose(f.release()) == 0 ? kOk : kWriteFailed;
}

bool validChannels(int channels) {
  return channels >= 1 && channels <= 63;
}

bool headerFieldsFit(int width, int height, int channels, int filter, int levels) {
  return width > 0 && width <= 0xFFFF && height > 0 && height <= 0xFFFF &&
         validChannels(channels) && filter >= 0 && filter < KVF_FILTER_COUNT && levels >= 0 &&
         levels <= KVF_MAX_LEVELS;
}

}  // namespace

int readHeaderFile(const char* path, LegacyHeader& header) {
  if (path == nullptr) return kBadExtent;
  File f(DllFopen(path, "rb"));
  if (!f) return kOpenFailed;
  uint8_t bytes[kHeaderBytesV1] = {};
  const size_t got = std::fread(bytes, 1, sizeof bytes, f.get());
  return parseHeader(std::span<const uint8_t>(bytes, got), header);
}

}  // namespace kvfcodec

using namespace kvfcodec;

extern "C" {

int ExReadHeader(const char* path, int32_t* width, int32_t* height, int32_t* channels,
                 int32_t* filter, int32_t* levels, int32_t* threshold, int32_t* colour) {
  if (width == nullptr || height == nullptr || channels == nullptr || filter == nullptr ||
      levels == nullptr || threshold == nullptr || colour == nullptr)
    return kBadExtent;
  LegacyHeader h;
  KVF_RETURN_IF_ERROR(readHeaderFile(path, h));
  *width = h.width;
  *height = h.height;
  *channels = h.channels;
  *filter = h.filter;
  *levels = h.levels;
  *threshold = h.threshold;
  *colour = h.colour;
  return kOk;
}

int ReadHeader(const char* path, int32_t* width, int32_t* height, int32_t* channels,
               int32_t* filter, int32_t* levels) {
  int32_t threshold = 0, colour = 0;
  return ExReadHeader(path, width, height, channels, filter, levels, &threshold, &colour);
}

int WriteHeader(const char* path, int32_t width, int32_t height, int32_t channels, int32_t filter,
                int32_t levels, int32_t threshold, int32_t colour) {
  if (path == nullptr) return kBadExtent;
  if (!headerFieldsFit(width, height, channels, filter, levels)) return kInconsistent;
  LegacyHeader h{1, width, height, filter, levels, threshold, channels, colour, kStamp};
  return writeFile(path, "wb", signatureAndHeader(h));
}

int MWriteHeader(void* block, int32_t blockSize, int32_t width, int32_t height, int32_t channels,
                 int32_t filter, int32_t levels, int32_t threshold) {
  if (block == nullptr || blockSize < static_cast<int32_t>(kHeaderBytesV1)) return kBadExtent;
  if (!headerFieldsFit(width, height, channels, filter, levels)) return kInconsistent;
  LegacyHeader h{1, width, height, filter, levels, threshold, channels, 0, kStamp};
  const std::vector<uint8_t> bytes = signatureAndHeader(h);
  std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(block));
  return kOk;
}

int MReadHeader(const void* block, int32_t blockSize, int32_t* width, int32_t* height,
                int32_t* channels, int32_t* filter) {
  if (block == nullptr || blockSize < static_cast<int32_t>(kHeaderBytesV0) || width == nullptr ||
      height == nullptr || channels == nullptr || filter == nullptr)
    return kBadExtent;
  LegacyHeader h;
  KVF_RETURN_IF_ERROR(parseHeader(
      std::span<const uint8_t>(static_cast<const uint8_t*>(block), static_cast<size_t>(blockSize)),
      h));
  *width = h.width;
  *height = h.height;
  *channels = h.channels;
  *filter = h.filter;
  return kOk;
}

int KvfCreate(const char* path) {
  if (path == nullptr) return kBadExtent;
  return writeFile(path, "wb", {'W', 'V'}) == kOk ? kOk : kWriteFailed;
}

int KvfWriteHeaderV01(const char* path, const KvfPictureSize* size,
                      const KvfLevelsFilter* levelsFilter, int32_t threshold, int32_t colour) {
  if (path == nullptr || size == nullptr || levelsFilter == nullptr) return kBadExtent;
  if (!headerFieldsFit(size->width, size->height, size->channels, levelsFilter->filter,
                       levelsFilter->levels))
    return kInconsistent;
  LegacyHeader h{1,
                 size->width,
                 size->height,
                 levelsFilter->filter,
                 levelsFilter->levels,
                 threshold,
                 size->channels,
                 colour,
                 0};
  std::vector<uint8_t> bytes = {1};
  appendHeader(h, bytes, false);
  return writeFile(path, "ab", bytes);
}

int KvfReadHeaderV01(const char* path, KvfPictureSize* size, KvfLevelsFilter* levelsFilter,
                     int32_t* threshold, int32_t* colour, int32_t* versionZero, int32_t* stamp) {
  if (size == nullptr || levelsFilter == nullptr || threshold == nullptr || colour == nullptr ||
      versionZero == nullptr || stamp == nullptr)
    return kBadExtent;
  LegacyHeader h;
  KVF_RETURN_IF_ERROR(readHeaderFile(path, h));
  *size = KvfPictureSize{h.width, h.height, 0, h.channels};
  *levelsFilter = KvfLevelsFilter{h.levels, h.filter};
  *threshold = h.threshold;
  *colour = h.colour;
  *versionZero = h.version == 0 ? 1 : 0;
  *stamp = h.stamp;
  return kOk;
}

}  // extern "C"
