// Run-length decoding of RLE8 and RLE4 bitmap data.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "core/formats/raster/BmpHeader.h"

namespace quillon {

// Decodes `data` into one index byte per pixel. rowAt(r) gives the row for file row r
// (0 = first row stored in the file), at least layout.width bytes, cleared beforehand;
// pixels that fall outside the picture are dropped. Returns false when the data ends
// before the end-of-bitmap code and before every row was reached.
[[nodiscard]] bool DecodeBmpRle(std::span<const std::uint8_t> data, const BmpLayout& layout,
                                const std::function<std::uint8_t*(std::int32_t)>& rowAt);

}  // namespace quillon
