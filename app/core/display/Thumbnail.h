// Small previews of pictures for file managers: the size a picture takes in a square, how far
// a decoder may halve it on the way, and the box-filtered reduction itself.
#pragma once

#include <cstdint>

#include "core/picture/Picture.h"

namespace quillon {

struct ThumbnailSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const ThumbnailSize&, const ThumbnailSize&) = default;
};

// A width x height picture fitted into side x side with its aspect kept (each side at least
// 1); a picture that already fits keeps its size, since a thumbnail never enlarges.
ThumbnailSize FittedSize(std::int32_t width, std::int32_t height, std::int32_t side);

// How many times a decoder may halve a width x height picture (each halving rounding down)
// and still keep its longer side at least `side`; 0 when `side` is 0.
int FitHalvings(std::uint32_t width, std::uint32_t height, std::uint32_t side);

// Makes `thumbnail` (an empty picture) the FittedSize of `source`: each of its pixels is the
// rounded mean of the source pixels it covers. Grey pictures stay 8-bit grey; all others
// become 24-bit. False when `source` is empty, `side` is below 1 or memory runs out.
[[nodiscard]] bool MakeThumbnail(const Picture& source, std::int32_t side, Picture& thumbnail);

}  // namespace quillon
