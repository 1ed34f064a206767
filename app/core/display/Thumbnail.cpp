#include "core/display/Thumbnail.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace quillon {

namespace {

// First source index of each of `parts` equal blocks of `length`, and `length` at the end.
std::vector<std::int32_t> BlockStarts(std::int32_t length, std::int32_t parts) {
  std::vector<std::int32_t> starts(std::size_t(parts) + 1);
  for (std::int32_t i = 0; i <= parts; ++i) {
    starts[std::size_t(i)] = std::int32_t(std::int64_t{i} * length / parts);
  }
  return starts;
}

}  // namespace

ThumbnailSize FittedSize(std::int32_t width, std::int32_t height, std::int32_t side) {
  if (width <= side && height <= side) return {width, height};
  const std::int64_t longer = std::max(width, height);
  const auto scaled = [&](std::int32_t length) {
    return std::max<std::int32_t>(
        1, std::int32_t((std::int64_t{length} * side + longer / 2) / longer));
  };
  return {scaled(width), scaled(height)};
}

int FitHalvings(std::uint32_t width, std::uint32_t height, std::uint32_t side) {
  if (side == 0) return 0;
  const std::uint32_t longer = std::max(width, height);
  int halvings = 0;
  while (halvings < 31 && (longer >> (halvings + 1)) >= side) ++halvings;
  return halvings;
}

bool MakeThumbnail(const Picture& source, std::int32_t side, Picture& thumbnail) {
  if (source.IsEmpty() || side < 1) return false;
  const ThumbnailSize size = FittedSize(source.GetWidth(), source.GetHeight(), side);
  const bool grey = source.IsGray();
  thumbnail.Header().biWidth = size.width;
  thumbnail.Header().biHeight = size.height;
  if (!thumbnail.CreatePicture(!grey)) return false;
  std::memset(thumbnail.Bits(), 0, thumbnail.Header().biSizeImage);

  const std::vector<std::int32_t> columns = BlockStarts(source.GetWidth(), size.width);
  const std::vector<std::int32_t> rows = BlockStarts(source.GetHeight(), size.height);
  const int channels = grey ? 1 : 3;
  std::vector<std::uint64_t> sums(std::size_t(size.width) * channels);
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    for (std::int32_t from = rows[std::size_t(y)]; from < rows[std::size_t(y) + 1]; ++from) {
      for (std::int32_t x = 0; x < size.width; ++x) {
        std::uint64_t* sum = &sums[std::size_t(x) * channels];
        for (std::int32_t column = columns[std::size_t(x)]; column < columns[std::size_t(x) + 1];
             ++column) {
          const Picture::Triple pixel = source.GetPixel(column, from);
          for (int c = 0; c < channels; ++c) sum[c] += pixel[std::size_t(c)];
        }
      }
    }
    const std::uint64_t blockRows = std::uint64_t(rows[std::size_t(y) + 1] - rows[std::size_t(y)]);
    std::uint8_t* out = thumbnail.Row(y);
    for (std::int32_t x = 0; x < size.width; ++x) {
      const std::uint64_t count =
          blockRows * std::uint64_t(columns[std::size_t(x) + 1] - columns[std::size_t(x)]);
      for (int c = 0; c < channels; ++c) {
        const std::uint64_t sum = sums[std::size_t(x) * channels + std::size_t(c)];
        out[std::size_t(x) * channels + std::size_t(c)] = std::uint8_t((sum + count / 2) / count);
      }
    }
  }
  thumbnail.InvalidateCaches();
  return true;
}

}  // namespace quillon
