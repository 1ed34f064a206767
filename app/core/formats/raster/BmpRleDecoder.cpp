#include "core/formats/raster/BmpRleDecoder.h"

#include <algorithm>

namespace quillon {

namespace {

class RleCursor {
 public:
  RleCursor(const BmpLayout& layout, const std::function<std::uint8_t*(std::int32_t)>& rowAt)
      : width_(layout.width), height_(layout.height), rowAt_(rowAt) {
    row_ = rowAt_(0);
  }

  bool Done() const { return y_ >= height_; }

  void Put(std::uint8_t index) {
    if (x_ >= width_) return;
    if (row_ != nullptr) row_[x_] = index;
    ++x_;
  }

  void NextLine() { MoveTo(0, y_ + 1); }
  void Skip(std::int32_t dx, std::int32_t dy) { MoveTo(x_ + dx, y_ + dy); }
  void Finish() { y_ = height_; }

 private:
  void MoveTo(std::int64_t x, std::int64_t y) {
    if (y != y_) {
      y_ = y >= height_ ? height_ : static_cast<std::int32_t>(y);
      row_ = y_ < height_ ? rowAt_(y_) : nullptr;
    }
    x_ = x > width_ ? width_ : static_cast<std::int32_t>(x);
  }

  std::int32_t width_;
  std::int32_t height_;
  const std::function<std::uint8_t*(std::int32_t)>& rowAt_;
  std::uint8_t* row_ = nullptr;
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
};

}  // namespace

bool DecodeBmpRle(std::span<const std::uint8_t> data, const BmpLayout& layout,
                  const std::function<std::uint8_t*(std::int32_t)>& rowAt) {
  const bool fourBits = layout.compression == kBmpRle4;
  RleCursor cursor(layout, rowAt);
  std::size_t pos = 0;
  while (!cursor.Done()) {
    if (data.size() - pos < 2) return false;
    const std::uint8_t count = data[pos];
    const std::uint8_t value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      // Encoded run; RLE4 alternates the high and the low nibble.
      for (int i = 0; i < count; ++i) {
        cursor.Put(fourBits ? std::uint8_t((i & 1) ? value & 0x0F : value >> 4) : value);
      }
      continue;
    }
    switch (value) {
      case 0:
        cursor.NextLine();
        break;
      case 1:
        cursor.Finish();
        break;
      case 2:
        if (data.size() - pos < 2) return false;
        cursor.Skip(data[pos], data[pos + 1]);
        pos += 2;
        break;
      default: {
        // Absolute run of `value` pixels, padded to a whole 16-bit word.
        const std::size_t bytes = fourBits ? (value + 1u) / 2 : value;
        const std::size_t padded = (bytes + 1) & ~std::size_t{1};
        if (data.size() - pos < bytes) return false;
        for (int i = 0; i < value; ++i) {
          cursor.Put(fourBits
                         ? std::uint8_t((i & 1) ? data[pos + i / 2] & 0x0F : data[pos + i / 2] >> 4)
                         : data[pos + i]);
        }
        pos += std::min(padded, data.size() - pos);
        break;
      }
    }
  }
  return true;
}

}  // namespace quillon
