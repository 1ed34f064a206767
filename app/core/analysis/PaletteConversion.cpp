#include "core/analysis/PaletteConversion.h"

#include <algorithm>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "core/analysis/ConversionTarget.h"
#include "core/analysis/MedianCutPalette.h"

namespace quillon {

namespace {

constexpr int kMaxColours = kPaletteEntries;
// Progress positions of the stages before the rows.
constexpr int kHistogramBuilt = 4;
constexpr int kRangeHalved = 12;

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
  for (std::int32_t row = 0; row < source.GetHeight(); ++row) {
    const std::uint8_t* pixel = source.Row(row);
    for (std::int32_t x = 0; x < source.GetWidth(); ++x, pixel += 3) {
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
  for (std::int32_t row = 0; row < source.GetHeight(); ++row) {
    const std::uint8_t* pixel = source.Row(row);
    std::uint8_t* out = target.Row(row);
    for (std::int32_t x = 0; x < source.GetWidth(); ++x, pixel += 3) {
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

// Pixel counts of every colour at `bits` bits per sample, indexed by
// (red << 2 bits) | (green << bits) | blue; the perfect hash of the colours.
struct Histogram {
  int bits = 8;
  std::vector<std::uint32_t> counts;
  std::size_t distinct = 0;

  int MaxValue() const { return (1 << bits) - 1; }
  std::uint32_t KeyOf(int red, int green, int blue) const {
    return (std::uint32_t(red) << (2 * bits)) | (std::uint32_t(green) << bits) | std::uint32_t(blue);
  }
};

std::size_t DistinctOf(const std::vector<std::uint32_t>& counts) {
  return std::size_t(std::count_if(counts.begin(), counts.end(), [](std::uint32_t n) { return n != 0; }));
}

Histogram BuildHistogram(const Picture& source) {
  Histogram histogram;
  histogram.counts.assign(std::size_t{1} << 24, 0);
  for (std::int32_t row = 0; row < source.GetHeight(); ++row) {
    const std::uint8_t* pixel = source.Row(row);
    for (std::int32_t x = 0; x < source.GetWidth(); ++x, pixel += 3) ++histogram.counts[KeyOf(pixel)];
  }
  histogram.distinct = DistinctOf(histogram.counts);
  return histogram;
}

// One bit less per sample: the same as building the histogram again from samples shifted
// right by one more bit.
Histogram Halved(const Histogram& finer) {
  Histogram coarser;
  coarser.bits = finer.bits - 1;
  coarser.counts.assign(std::size_t{1} << (3 * coarser.bits), 0);
  const std::uint32_t mask = std::uint32_t(finer.MaxValue());
  for (std::uint32_t key = 0; key < finer.counts.size(); ++key) {
    if (finer.counts[key] == 0) continue;
    const int red = int(key >> (2 * finer.bits)), green = int((key >> finer.bits) & mask),
              blue = int(key & mask);
    coarser.counts[coarser.KeyOf(red >> 1, green >> 1, blue >> 1)] += finer.counts[key];
  }
  coarser.distinct = DistinctOf(coarser.counts);
  return coarser;
}

std::vector<HistogramColour> ColoursOf(const Histogram& histogram) {
  std::vector<HistogramColour> colours;
  colours.reserve(histogram.distinct);
  const std::uint32_t mask = std::uint32_t(histogram.MaxValue());
  for (std::uint32_t key = 0; key < histogram.counts.size(); ++key) {
    if (histogram.counts[key] == 0) continue;
    colours.push_back({std::uint8_t(key >> (2 * histogram.bits)),
                       std::uint8_t((key >> histogram.bits) & mask), std::uint8_t(key & mask),
                       histogram.counts[key]});
  }
  return colours;
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

// Every pixel to the nearest palette colour on the histogram's scale; each distinct colour is
// searched once and its answer kept.
void MapNearest(const Picture& source, const Histogram& histogram,
                const std::vector<PaletteColour>& palette, Picture& target, Progress* progress) {
  constexpr std::uint16_t kUnknown = 0xFFFF;
  std::vector<std::uint16_t> answers(histogram.counts.size(), kUnknown);
  const int shift = 8 - histogram.bits;
  for (std::int32_t row = 0; row < source.GetHeight(); ++row) {
    const std::uint8_t* pixel = source.Row(row);
    std::uint8_t* out = target.Row(row);
    for (std::int32_t x = 0; x < source.GetWidth(); ++x, pixel += 3) {
      const int blue = pixel[0] >> shift, green = pixel[1] >> shift, red = pixel[2] >> shift;
      std::uint16_t& answer = answers[histogram.KeyOf(red, green, blue)];
      if (answer == kUnknown) answer = NearestIndex(red, green, blue, palette);
      out[x] = std::uint8_t(answer);
    }
    if (progress) progress->StepIt();
  }
}

void MedianCut(const Picture& source, Picture& target, Progress* progress) {
  Histogram histogram = BuildHistogram(source);
  if (progress) progress->SetPos(kHistogramBuilt);
  while (histogram.distinct > std::size_t(kMaxHistogramColours)) histogram = Halved(histogram);
  if (progress) progress->SetPos(kRangeHalved);

  const std::vector<PaletteColour> palette =
      MedianCutPalette(ColoursOf(histogram), histogram.MaxValue(), kMaxColours, progress);
  const int maxValue = histogram.MaxValue();
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const auto scaled = [maxValue](std::uint8_t value) {
      return std::uint8_t(value * 255 / maxValue);
    };
    target.Palette()[i] =
        RgbQuad{scaled(palette[i].blue), scaled(palette[i].green), scaled(palette[i].red), 0};
  }
  if (progress) progress->SetPos(kPaletteProgressSteps);
  MapNearest(source, histogram, palette, target, progress);
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
