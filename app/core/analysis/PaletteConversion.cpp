#include "core/analysis/PaletteConversion.h"

#include <algorithm>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "core/analysis/ConversionTarget.h"
#include "core/analysis/MedianCutPalette.h"
#include "core/analysis/ReducedColours.h"

namespace quillon {

namespace {

constexpr int kMaxColours = kPaletteEntries;
// Progress positions of the stages before the rows.
constexpr int kRangeHalved = 4;
constexpr int kHistogramBuilt = 12;

// blue + 256 green + 65536 red: the three bytes of a pixel read as one number.
using ColourKey = std::uint32_t;

ColourKey KeyOf(const std::uint8_t* pixel) {
  return ColourKey{pixel[0]} | (ColourKey{pixel[1]} << 8) | (ColourKey{pixel[2]} << 16);
}

// The distinct colours in ascending order, or nothing as soon as there are more than 256.
std::optional<std::vector<ColourKey>> ExactColours(const Picture& source) {
  std::vector<ColourKey> table;
  table.reserve(kMaxColours + 1);
  ColourKey last = std::numeric_limits<ColourKey>::max();  // no pixel has this key
  const std::int32_t width = source.GetWidth(), height = source.GetHeight();
  for (std::int32_t row = 0; row < height; ++row) {
    const std::uint8_t* pixel = source.Row(row);
    for (std::int32_t x = 0; x < width; ++x, pixel += 3) {
      const ColourKey key = KeyOf(pixel);
      if (key == last) continue;
      last = key;
      const auto at = std::lower_bound(table.begin(), table.end(), key);
      if (at != table.end() && *at == key) continue;
      if (table.size() == kMaxColours) return std::nullopt;
      table.insert(at, key);
    }
  }
  return table;
}

void MapExact(const Picture& source, const std::vector<ColourKey>& table, Picture& target,
              Progress* progress) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    target.Palette()[i] = RgbQuad{std::uint8_t(table[i]), std::uint8_t(table[i] >> 8),
                                  std::uint8_t(table[i] >> 16), 0};
  }
  ColourKey last = std::numeric_limits<ColourKey>::max();
  std::uint8_t lastIndex = 0;
  const std::int32_t width = source.GetWidth(), height = source.GetHeight();
  for (std::int32_t row = 0; row < height; ++row) {
    const std::uint8_t* pixel = source.Row(row);
    std::uint8_t* out = target.Row(row);
    for (std::int32_t x = 0; x < width; ++x, pixel += 3) {
      const ColourKey key = KeyOf(pixel);
      if (key != last) {
        last = key;
        lastIndex = std::uint8_t(std::lower_bound(table.begin(), table.end(), key) - table.begin());
      }
      out[x] = lastIndex;
    }
    if (progress) progress->StepIt();
  }
}

// The colours of the reduced picture with their pixel counts, in the order of their numbers.
std::vector<HistogramColour> HistogramOf(const Picture& source, const ReducedColours& reduced) {
  std::vector<std::uint32_t> counts(reduced.Count(), 0);
  const std::int32_t width = source.GetWidth(), height = source.GetHeight();
  for (std::int32_t row = 0; row < height; ++row) {
    const std::uint8_t* pixel = source.Row(row);
    for (std::int32_t x = 0; x < width; ++x, pixel += 3) ++counts[reduced.NumberOf(pixel)];
  }
  const std::vector<PaletteColour> colours = reduced.Colours();
  std::vector<HistogramColour> histogram(colours.size());
  for (std::size_t i = 0; i < colours.size(); ++i) {
    histogram[i] = {colours[i].red, colours[i].green, colours[i].blue, counts[i]};
  }
  return histogram;
}

std::uint8_t NearestIndex(int red, int green, int blue, const std::vector<PaletteColour>& palette) {
  int best = std::numeric_limits<int>::max();
  std::size_t bestIndex = 0;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const int dr = red - palette[i].red, dg = green - palette[i].green, db = blue - palette[i].blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best) {
      best = distance;
      bestIndex = i;
    }
  }
  return std::uint8_t(bestIndex);
}

// Every pixel to the nearest palette colour on the reduced scale; each distinct colour is
// searched once and its answer kept.
void MapNearest(const Picture& source, const ReducedColours& reduced,
                const std::vector<HistogramColour>& colours,
                const std::vector<PaletteColour>& palette, Picture& target, Progress* progress) {
  constexpr std::uint16_t kUnknown = 0xFFFF;
  std::vector<std::uint16_t> answers(reduced.Count(), kUnknown);
  const std::int32_t width = source.GetWidth(), height = source.GetHeight();
  for (std::int32_t row = 0; row < height; ++row) {
    const std::uint8_t* pixel = source.Row(row);
    std::uint8_t* out = target.Row(row);
    for (std::int32_t x = 0; x < width; ++x, pixel += 3) {
      const std::size_t number = reduced.NumberOf(pixel);
      std::uint16_t& answer = answers[number];
      if (answer == kUnknown) {
        const HistogramColour& colour = colours[number];
        answer = NearestIndex(colour.red, colour.green, colour.blue, palette);
      }
      out[x] = std::uint8_t(answer);
    }
    if (progress) progress->StepIt();
  }
}

void MedianCut(const Picture& source, Picture& target, Progress* progress) {
  const ReducedColours reduced(source, kMaxHistogramColours);
  if (progress) progress->SetPos(kRangeHalved);
  const std::vector<HistogramColour> histogram = HistogramOf(source, reduced);
  if (progress) progress->SetPos(kHistogramBuilt);

  const int maxValue = reduced.MaxValue();
  const std::vector<PaletteColour> palette =
      MedianCutPalette(histogram, maxValue, kMaxColours, progress);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const auto scaled = [maxValue](std::uint8_t value) {
      return std::uint8_t(value * 255 / maxValue);
    };
    target.Palette()[i] =
        RgbQuad{scaled(palette[i].blue), scaled(palette[i].green), scaled(palette[i].red), 0};
  }
  if (progress) progress->SetPos(kPaletteProgressSteps);
  MapNearest(source, reduced, histogram, palette, target, progress);
}

}  // namespace

bool ConvertToPalette(const Picture& source, Picture& target, Progress* progress) {
  if (source.IsEmpty() || source.GetBitCount() != 24) return false;
  if (!CreateConversionTarget(source, target, false)) return false;
  std::fill(target.Palette(), target.Palette() + kPaletteEntries, RgbQuad{});
  if (progress) progress->SetRange(0, source.GetHeight() + kPaletteProgressSteps);
  try {
    if (const std::optional<std::vector<ColourKey>> exact = ExactColours(source)) {
      if (progress) progress->SetPos(kPaletteProgressSteps);
      MapExact(source, *exact, target, progress);
    } else {
      MedianCut(source, target, progress);
    }
  } catch (const std::bad_alloc&) {
    target.Header().biSizeImage = 0;  // leave no half-made picture behind
    return false;
  }
  target.InvalidateCaches();
  return true;
}

}  // namespace quillon
