// Encoding and decoding whole pictures in memory through the codec cores, with work buffers
// allocated as the caller of the codec would.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "KvfTestFiles.h"
#include "kvf/KvfDecoder.h"
#include "kvf/KvfEncoder.h"
#include "kvf/KvfHeader.h"
#include "kvf/KvfPixelLayouts.h"

namespace kvf::test {

class WorkBuffers {
 public:
  explicit WorkBuffers(const KvfBufferSizes& sizes) {
    for (std::size_t i = 0; i < kKvfWorkBufferCount; ++i) {
      memory_[i].assign(sizes[i], std::byte{0xCD});  // not zero: the codec must set what it uses
      view_[i] = memory_[i];
    }
  }
  const KvfWorkBuffers& View() const { return view_; }

 private:
  std::array<std::vector<std::byte>, kKvfWorkBufferCount> memory_;
  KvfWorkBuffers view_;
};

// Pixels of one picture in a layout, top row first.
struct Pixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::int32_t layout = 0;
  std::vector<std::uint8_t> bytes;

  std::size_t RowBytes() const {
    return std::size_t{width} * FindKvfPixelLayout(layout)->pixelBytes;
  }
  bool operator==(const Pixels&) const = default;
};

// A picture with smooth gradients, edges and noise, so that every plane and pass has work.
inline Pixels MakePhoto(std::uint32_t width, std::uint32_t height, std::int32_t layout,
                        std::uint32_t seed = 1) {
  Pixels picture{width, height, layout, {}};
  const KvfPixelLayout& format = *FindKvfPixelLayout(layout);
  picture.bytes.resize(picture.RowBytes() * height);
  std::mt19937 random(seed);
  const std::uint32_t largest = format.sampleBytes == 1 ? 255 : 65535;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      // Layout 17's first byte is not part of the picture: it stays 0, as the decoder writes it.
      for (std::uint32_t s = layout == 17 ? 1 : 0; s < format.pixelBytes / format.sampleBytes;
           ++s) {
        const double wave = (x * (s + 1) * 7 + y * 5) % 97 / 96.0;
        const double edge = (x / 9 + y / 13) % 2 ? 0.25 : 0.0;
        const double noise = (random() % 64) / 255.0;
        const auto value =
            static_cast<std::uint32_t>(std::min(1.0, 0.6 * wave + edge + noise) * largest);
        std::uint8_t* at = picture.bytes.data() + y * picture.RowBytes() + x * format.pixelBytes +
                           s * format.sampleBytes;
        if (format.sampleBytes == 1) {
          *at = static_cast<std::uint8_t>(value);
        } else {
          const auto wide = static_cast<std::uint16_t>(value);
          std::memcpy(at, &wide, 2);
        }
      }
    }
  }
  return picture;
}

struct Encoded {
  KvfStatus status = KvfStatus::internalError;
  std::vector<std::uint8_t> bytes;
  KvfEncodeReport report;
};

// Encodes `picture` in blocks of `blockRows` rows (0: blocks of 2^levels rows).
inline Encoded Encode(const Pixels& picture, KvfEncodeSettings settings,
                      std::uint32_t blockRows = 0, bool withSeek = true,
                      std::size_t outputBuffer = 32768) {
  Encoded result;
  settings.width = picture.width;
  settings.height = picture.height;
  settings.layout = picture.layout;
  KvfBufferSizes sizes{};
  result.status = KvfEncoder::Plan(settings, sizes);
  if (result.status != KvfStatus::ok) return result;
  WorkBuffers buffers(sizes);
  MemoryWriteFile file(outputBuffer);
  result.status = KvfEncoder::Start(settings, buffers.View(), file.Target(withSeek));
  const std::uint32_t block = blockRows != 0 ? blockRows : 1u << settings.levels;
  for (std::uint32_t y = 0; y < picture.height && result.status == KvfStatus::ok; y += block) {
    const std::uint32_t count = std::min(block, picture.height - y);
    const KvfPixelRows rows{picture.bytes.data() + y * picture.RowBytes(),
                            static_cast<std::ptrdiff_t>(picture.RowBytes()), count};
    result.status =
        KvfEncoder::EncodeRows(buffers.View(), rows, y + count == picture.height, result.report);
  }
  result.bytes = file.Bytes();
  return result;
}

struct Decoded {
  KvfStatus status = KvfStatus::internalError;
  Pixels picture;
  KvfDecodeReport report;
  KvfHeader header;
};

// A picture of one value throughout.
inline Pixels MakeFlat(std::uint32_t width, std::uint32_t height, std::int32_t layout,
                       std::uint8_t value) {
  Pixels picture{width, height, layout, {}};
  picture.bytes.assign(picture.RowBytes() * height, value);
  return picture;
}

// Mean absolute difference of the samples inside (or outside) columns [left, right).
inline double MeanError(const Pixels& a, const Pixels& b, std::uint32_t left = 0,
                        std::uint32_t right = ~0u, bool inside = true) {
  const std::size_t pixelBytes = FindKvfPixelLayout(a.layout)->pixelBytes;
  double sum = 0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < a.bytes.size(); ++i) {
    const std::size_t x = i % a.RowBytes() / pixelBytes;
    if ((x >= left && x < right) != inside) continue;
    sum += std::abs(int{a.bytes[i]} - int{b.bytes[i]});
    ++count;
  }
  return count == 0 ? 0 : sum / count;
}

// Decodes the whole file into `layout` at the given output size (0: the picture's).
inline Decoded Decode(const std::vector<std::uint8_t>& bytes, KvfDecodeSettings settings,
                      std::size_t inputBuffer = 32768) {
  Decoded result;
  {
    MemoryReadFile file(bytes, inputBuffer);
    KvfInputStream in;
    result.status = in.Open(file.Source());
    if (result.status == KvfStatus::ok) result.status = ReadKvfHeader(in, result.header, {});
    if (result.status != KvfStatus::ok) return result;
  }
  if (settings.width == 0) settings.width = result.header.picture.width;
  if (settings.height == 0) settings.height = result.header.picture.height;
  KvfBufferSizes sizes{};
  result.status = KvfDecoder::Plan(result.header, settings, sizes);
  if (result.status != KvfStatus::ok) return result;
  WorkBuffers buffers(sizes);
  MemoryReadFile file(bytes, inputBuffer);
  result.status = KvfDecoder::Start(settings, buffers.View(), file.Source());
  if (result.status != KvfStatus::ok) return result;
  result.picture = {settings.width, settings.height, settings.layout, {}};
  result.picture.bytes.resize(result.picture.RowBytes() * settings.height);
  const KvfOutputRows rows{result.picture.bytes.data(),
                           static_cast<std::ptrdiff_t>(result.picture.RowBytes())};
  result.status = KvfDecoder::DecodeRows(buffers.View(), 0, settings.height, rows, result.report);
  return result;
}

}  // namespace kvf::test
