// Decodes through JP2_Decompress_Image into per-channel sample arrays shaped like the
// components the caller expects, reading the packed samples in either byte order.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "support/DecodeSession.h"
#include "support/EncodeSession.h"

namespace quillon::jp2::test {

// What the write callback received, as sample values per channel at (row, column).
struct DecodedImage {
  std::vector<TestComponent> channels;
  int writes = 0;
  std::int32_t stopWith = 0;
  bool bigEndian = false;

  static std::int32_t Write(const void* samples, std::int16_t channel, std::uint32_t row,
                            std::uint32_t column, std::uint32_t count, std::uintptr_t param) {
    auto* self = reinterpret_cast<DecodedImage*>(param);
    ++self->writes;
    if (self->stopWith != 0) return self->stopWith;
    TestComponent& c = self->channels.at(static_cast<std::size_t>(channel));
    const int bytes = c.depth <= 8 ? 1 : c.depth <= 16 ? 2 : 4;
    const auto* in = static_cast<const std::uint8_t*>(samples);
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t v = 0;
      for (int b = 0; b < bytes; ++b) {
        const int shift = self->bigEndian ? 8 * (bytes - 1 - b) : 8 * b;
        v |= std::uint32_t{in[i * bytes + b]} << shift;
      }
      std::int64_t value = v;
      if (c.isSigned && bytes < 4 && (v >> (8 * bytes - 1)) != 0)
        value -= std::int64_t{1} << (8 * bytes);
      EXPECT_LT(row, c.height);
      EXPECT_LT(column + i, c.width);
      if (row < c.height && column + i < c.width) {
        c.samples[std::size_t{row} * c.width + column + i] = static_cast<std::int32_t>(value);
      }
    }
    return 0;
  }
};

// Starts the session and decodes into images shaped like the given components (samples not
// written stay -12345); configure sets further properties before decoding.
inline std::int32_t Decode(DecodeSession& session, const std::vector<TestComponent>& like,
                           DecodedImage* image,
                           const std::function<void(DecompressHandle)>& configure = {}) {
  EXPECT_EQ(session.Start(), 0);
  for (const TestComponent& c : like) {
    TestComponent blank = c;
    std::fill(blank.samples.begin(), blank.samples.end(), -12345);
    image->channels.push_back(blank);
  }
  EXPECT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_ByteOrder, image->bigEndian ? 1 : 0),
            0);
  EXPECT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteCallback,
                                   reinterpret_cast<std::uintptr_t>(&DecodedImage::Write)),
            0);
  EXPECT_EQ(JP2_Decompress_SetProp(session.handle, JP2_Prop_WriteParam,
                                   reinterpret_cast<std::uintptr_t>(image)),
            0);
  if (configure) configure(session.handle);
  return JP2_Decompress_Image(session.handle);
}

// The largest difference between two images of the same shape; INT32_MAX when shapes differ.
inline int LargestDifference(const std::vector<TestComponent>& a,
                             const std::vector<TestComponent>& b) {
  if (a.size() != b.size()) return INT32_MAX;
  int worst = 0;
  for (std::size_t c = 0; c < a.size(); ++c) {
    if (a[c].samples.size() != b[c].samples.size()) return INT32_MAX;
    for (std::size_t i = 0; i < a[c].samples.size(); ++i) {
      worst = std::max(worst, std::abs(a[c].samples[i] - b[c].samples[i]));
    }
  }
  return worst;
}

}  // namespace quillon::jp2::test
