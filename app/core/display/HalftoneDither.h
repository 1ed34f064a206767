// The picture reduced to a fixed 256-colour palette by error diffusion, for screens that
// show 256 colours or fewer.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/display/ErrorLimitTable.h"
#include "core/display/ZoomRatio.h"
#include "core/picture/Picture.h"

namespace quillon {

// 6 x 6 x 6 colour cube, then a grey ramp of 40 levels between its greys.
const std::array<RgbQuad, kPaletteEntries>& HalftonePalette();

// Nearest halftone entry of a 15-bit colour (top five bits of each channel), looked up once:
// `cache` has 32 768 entries, 0 meaning "not looked up yet" (entry 0, black, is simply looked
// up again).
std::uint8_t NearestHalftone(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                             std::span<std::uint8_t> cache);

// Largest dithered copy built, in bytes; a larger zoom shows the picture undithered.
inline constexpr std::uint64_t kMaxDitheredBytes = 256ull << 20;

// Builds `out`: an 8-bit picture of the scaled size with the halftone palette, by
// Floyd-Steinberg diffusion from the top row down, each accumulated error passed through
// `limits` before it is added. False when the copy would be too large or memory runs out.
// `onRow` (may be null) is called after each scaled row with the number of rows done.
bool DitherToHalftone(const Picture& picture, ZoomRatio zoom, const ErrorLimitTable& limits,
                      std::span<std::uint8_t> cache, Picture& out,
                      void (*onRow)(void* context, int rowsDone) = nullptr,
                      void* context = nullptr);

}  // namespace quillon
