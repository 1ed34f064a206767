// Whole pictures: 8-bit samples to a KVF version 1 file or memory block and back, and the
// coefficient-stream exports.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "BytePlanes.h"
#include "CodecStatus.h"
#include "ColourTransforms.h"
#include "Extent.h"
#include "LegacyHeader.h"
#include "Quantizer.h"
#include "StreamCoders.h"
#include "TreeLayout.h"
#include "WaveletTransform.h"
#include "kvfcodec.h"

namespace kvfcodec {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Runs an export's body; allocation failures and other exceptions become codes.
template <typename Body>
int guarded(Body&& body) {
  try {
    const auto lock = lockLibrary();
    return body();
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  } catch (...) {
    return kException;
  }
}

// Reads at most limit bytes of a file.
int readFile(const char* path, size_t limit, std::vector<uint8_t>& bytes) {
  File f(DllFopen(path, "rb"));
  if (!f) return kOpenFailed;
  uint8_t chunk[65536];
  while (bytes.size() < limit) {
    const size_t want = std::min(sizeof chunk, limit - bytes.size());
    const size_t got = std::fread(chunk, 1, want, f.get());
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < want) break;
  }
  return kOk;
}

int writeFile(const char* path, const std::vector<uint8_t>& bytes) {
  File f(DllFopen(path, "wb"));
  if (!f) return kWriteFailed;
  if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return kWriteFailed;
  return std::fclose(f.release()) == 0 ? kOk : kWriteFailed;
}

// The padded plane of a picture's channels, interleaved, in samples (resized to fit).
template <typename T>
Plane<T> paddedPlane(std::vector<T>& samples, const PaddedSize& padded, int channels) {
  samples.assign(static_cast<size_t>(int64_t{padded.width} * padded.height * channels), T{});
  return {samples.data(), padded.width, padded.height, channels, int64_t{padded.width} * channels,
          channels};
}

// Transformed, quantized and coded: the stream of a picture prepared into a plane.
template <typename T>
std::vector<uint8_t> codePicture(const uint8_t* pixels, const Strided& source,
                                 const LegacyHeader& header, const PaddedSize& padded, int planes,
                                 size_t budget, int& threshold) {
  std::vector<T> samples;
  const Plane<T> p = paddedPlane(samples, padded, header.channels);
  preparePlane(pixels, source, p, padded);
  if (header.colour == 1) forwardColour(p);
  forwardTransform(p, header.levels, header.filter);
  std::vector<uint32_t> words(samples.size());
  const TreeShape shape =
      TreeLayout(padded.width, padded.height, header.levels).shape(header.channels);
  if constexpr (std::is_same_v<T, double>) {
    threshold = quantize(p, header.levels, header.colour == 1, words);
    return encodeZerotree(words, shape, threshold, planes, budget);
  } else {
    threshold = wordsFromIntegers(p, header.levels, words);
    return encodeIntegerStream(words, shape, threshold, planes, budget);
  }
}

template <typename T>
void decodePicture(std::span<const uint8_t> stream, const LegacyHeader& header,
                   const PaddedSize& padded, int planeLimit, int firstChannel, uint8_t* out,
                   const Strided& window) {
  std::vector<T> samples;
  const Plane<T> p = paddedPlane(samples, padded, header.channels);
  std::vector<uint32_t> words(samples.size());
  const TreeShape shape =
      TreeLayout(padded.width, padded.height, header.levels).shape(header.channels);
  const bool colour = header.colour == 1 && header.channels == 3;
  if constexpr (std::is_same_v<T, double>) {
    decodeZerotree(words, shape, header.threshold, planeLimit, stream);
    dequantize(words, header.levels, colour, p);
  } else {
    decodeIntegerStream(words, shape, header.threshold, planeLimit, stream);
    integersFromWords(words, header.levels, p);
  }
  inverseTransform(p, header.levels, header.filter);
  if (colour) inverseColour(p);
  restorePlane(p, padded, firstChannel, out, window);
}

int compress(const KvfCompressJob& job) {
  const Strided source{job.width, job.height, job.columnStep, job.rowStep, job.channels};
  if (job.pixels == nullptr || job.output == nullptr || stridedExtent(source) < 0 ||
      (job.toMemory == 1 && job.outputSize == nullptr))
    return kBadExtent;
  if (job.filter < 0 || job.filter >= KVF_FILTER_COUNT) return kBadFilter;
  if (job.width > 0xFFFF || job.height > 0xFFFF || job.channels > 63) return kInconsistent;
  if (job.levels < 1 || job.levels > KVF_MAX_FORWARD_LEVELS) return kBadLevels;
  const PaddedSize padded = paddedSize(job.width, job.height, job.levels);
  KVF_RETURN_IF_ERROR(
      levelsFit(padded.width, padded.height, job.levels, job.filter, KVF_MAX_FORWARD_LEVELS));
  if (int64_t{padded.width} * padded.height * job.channels > kMaxPlaneSamples) return kNoMemory;

  LegacyHeader header{1,          job.width, job.height,   job.filter,
                      job.levels, 1,         job.channels, job.channels == 3 ? 1 : 0,
                      kStamp};
  int64_t budget = job.budget > 0 ? job.budget : 0;
  if (job.toMemory == 1) {
    if (*job.outputSize < static_cast<int32_t>(kHeaderBytesV1)) return kBadExtent;
    budget = budget > 0 ? std::min<int64_t>(budget, *job.outputSize) : *job.outputSize;
  }
  if (budget > 0 && budget <= static_cast<int64_t>(kHeaderBytesV1)) return kInconsistent;
  const size_t streamBudget = budget > 0 ? static_cast<size_t>(budget) - kHeaderBytesV1 : 0;
  int threshold = 1;
  const std::vector<uint8_t> stream =
      job.filter < 12 ? codePicture<double>(job.pixels, source, header, padded, job.planes,
                                            streamBudget, threshold)
                      : codePicture<int16_t>(job.pixels, source, header, padded, job.planes,
                                             streamBudget, threshold);
  header.threshold = threshold;
  std::vector<uint8_t> file = {'W', 'V', 1};
  appendHeader(header, file, true);
  file.insert(file.end(), stream.begin(), stream.end());
  if (job.toMemory != 1) return writeFile(static_cast<const char*>(job.output), file);
  if (file.size() > static_cast<size_t>(*job.outputSize)) return kWriteFailed;
  std::copy(file.begin(), file.end(), static_cast<uint8_t*>(job.output));
  *job.outputSize = static_cast<int32_t>(file.size());
  return kOk;
}

int decompress(const void* source, KvfDecodeSettings* settings, const KvfOutputWindow* window,
               int32_t* firstChannel, uint8_t** output, int32_t* colour, bool fromMemory) {
  if (source == nullptr || settings == nullptr || firstChannel == nullptr || output == nullptr ||
      colour == nullptr)
    return kBadExtent;
  std::vector<uint8_t> bytes;
  if (fromMemory) {
    if (settings->budget < static_cast<int32_t>(kHeaderBytesV0)) return kBadExtent;
    const auto* block = static_cast<const uint8_t*>(source);
    bytes.assign(block, block + settings->budget);
  } else {
    const size_t limit = settings->budget > 12 ? static_cast<size_t>(settings->budget) : SIZE_MAX;
    KVF_RETURN_IF_ERROR(readFile(static_cast<const char*>(source), limit, bytes));
  }
  LegacyHeader header;
  KVF_RETURN_IF_ERROR(parseHeader(bytes, header));
  KVF_RETURN_IF_ERROR(validateHeader(header));
  settings->levels = header.levels;
  settings->filter = header.filter;
  const int first = std::max(0, *firstChannel);
  if (first >= header.channels) return kInconsistent;
  int delivered = header.channels - first;
  // A window's column step bounds the channels each of its pixels holds.
  if (window != nullptr && window->columnStep != 0)
    delivered = std::min(delivered, std::abs(window->columnStep));
  Strided out{header.width, header.height, delivered, 0, delivered};
  if (window != nullptr) {
    if (window->width > 0) out.width = std::min(window->width, header.width);
    if (window->height > 0) out.height = std::min(window->height, header.height);
    if (window->columnStep != 0) out.columnStep = window->columnStep;
    if (window->rowStep != 0) out.rowStep = window->rowStep;
  }
  if (out.rowStep == 0) out.rowStep = out.width * out.columnStep;
  const int64_t extent = stridedExtent(out);
  if (extent < 0) return kBadExtent;
  const PaddedSize padded = paddedSize(header.width, header.height, header.levels);
  const std::span<const uint8_t> stream =
      std::span<const uint8_t>(bytes).subspan(headerBytes(header));
  std::unique_ptr<uint8_t, int (*)(void*)> allocated(nullptr, FreePtr);
  uint8_t* target = *output;
  if (target == nullptr) {
    allocated.reset(allocateBytes(extent));
    if (!allocated) return kNoMemory;
    target = allocated.get();
  }
  if (header.filter < 12)
    decodePicture<double>(stream, header, padded, settings->planeLimit, first, target, out);
  else
    decodePicture<int16_t>(stream, header, padded, settings->planeLimit, first, target, out);
  *output = target;
  allocated.release();
  *firstChannel = delivered;
  *colour = header.colour;
  return kOk;
}

// The coefficient words' geometry; thresholds beyond the 15 magnitude bits are refused.
int streamShape(int32_t width, int32_t height, int32_t channels, int32_t levels, int32_t threshold,
                TreeShape& shape) {
  if (threshold < 1 || threshold > 0x4000) return kInconsistent;
  if (levels < 1 || levels > 13) return kBadLevels;
  KVF_RETURN_IF_ERROR(levelsFit(width, height, levels, 0, 13));
  if (channels < 1 || channels > 63 || int64_t{width} * height * channels > kMaxPlaneSamples)
    return kBadExtent;
  shape = TreeLayout(width, height, levels).shape(channels);
  return kOk;
}

}  // namespace
}  // namespace kvfcodec

using namespace kvfcodec;

extern "C" {

int WvlKompressByteImage(KvfCompressJob job) {
  return guarded([&] { return compress(job); });
}

int WvlKompByteImageToMem(KvfCompressJob job) {
  job.toMemory = 1;
  return guarded([&] { return compress(job); });
}

int WvlDekompressByteImage(const void* source, KvfDecodeSettings* settings,
                           const KvfOutputWindow* window, int32_t* firstChannel, uint8_t** output,
                           int32_t* colour, int32_t fromMemory) {
  return guarded([&] {
    return decompress(source, settings, window, firstChannel, output, colour, fromMemory == 1);
  });
}

int WvlDekompByteImageFromMem(const void* source, KvfDecodeSettings* settings,
                              const KvfOutputWindow* window, int32_t* firstChannel,
                              uint8_t** output, int32_t* colour) {
  return WvlDekompressByteImage(source, settings, window, firstChannel, output, colour, 1);
}

int ACodePic(const uint32_t* words, int32_t width, int32_t height, int32_t channels, int32_t,
             int32_t, int32_t levels, int32_t threshold, int32_t planes, void* output,
             int32_t* size, int32_t toMemory) {
  if (words == nullptr || output == nullptr || size == nullptr) return kBadExtent;
  return guarded([&] {
    TreeShape shape{};
    KVF_RETURN_IF_ERROR(streamShape(width, height, channels, levels, threshold, shape));
    std::vector<uint32_t> copy(words, words + int64_t{width} * height * channels);
    const size_t budget = *size > 0 ? static_cast<size_t>(*size) : 0;
    const std::vector<uint8_t> stream = encodeZerotree(copy, shape, threshold, planes, budget);
    if (toMemory != 1) {
      File f(DllFopen(static_cast<const char*>(output), "ab"));
      if (!f || std::fwrite(stream.data(), 1, stream.size(), f.get()) != stream.size())
        return static_cast<int>(kWriteFailed);
    } else {
      if (stream.size() > budget) return static_cast<int>(kWriteFailed);
      std::copy(stream.begin(), stream.end(), static_cast<uint8_t*>(output));
    }
    *size = static_cast<int32_t>(stream.size());
    return static_cast<int>(kOk);
  });
}

int ADecodePic(uint32_t* words, int32_t width, int32_t height, int32_t channels, int32_t, int32_t,
               int32_t levels, int32_t threshold, int32_t planes, const void* input, int32_t* size,
               int32_t fromMemory) {
  if (words == nullptr || input == nullptr || size == nullptr) return kBadExtent;
  return guarded([&] {
    TreeShape shape{};
    std::vector<uint8_t> bytes;
    std::span<const uint8_t> stream;
    if (fromMemory == 1) {
      if (*size <= 0) return static_cast<int>(kBadExtent);
      stream =
          std::span<const uint8_t>(static_cast<const uint8_t*>(input), static_cast<size_t>(*size));
    } else {
      KVF_RETURN_IF_ERROR(readFile(static_cast<const char*>(input),
                                   *size > 0 ? static_cast<size_t>(*size) : SIZE_MAX, bytes));
      LegacyHeader header;
      KVF_RETURN_IF_ERROR(parseHeader(bytes, header));
      levels = header.levels;
      threshold = header.threshold;
      stream = std::span<const uint8_t>(bytes).subspan(headerBytes(header));
    }
    KVF_RETURN_IF_ERROR(streamShape(width, height, channels, levels, threshold, shape));
    std::span<uint32_t> out(words, static_cast<size_t>(int64_t{width} * height * channels));
    std::fill(out.begin(), out.end(), 0u);
    decodeZerotree(out, shape, threshold, planes, stream);
    *size = static_cast<int32_t>(stream.size());
    return static_cast<int>(kOk);
  });
}

}  // extern "C"
