#include "Quantizer.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "CodecStatus.h"
#include "Extent.h"
#include "kvfcodec.h"

namespace kvfcodec {
namespace {

// The factor of a band: g h for the low-pass word, g for the coarsest horizontal and
// vertical details and g / 2 for its diagonal, halving with every finer level.
double bandFactor(int channel, bool colour, int channels, int depth, int orientation) {
  const double g = channel == 0 && (colour || channels == 1) ? 32.0 : 16.0;
  if (orientation == 0) return g * 2.0;
  const int halvings = depth - 1 + (orientation == 3 ? 1 : 0);
  return std::ldexp(g, -halvings);
}

uint32_t toWord(double value) {
  if (std::isnan(value)) return 0;
  const double clamped = std::clamp(value, -32767.0, 32767.0);
  const auto magnitude = static_cast<uint32_t>(std::fabs(std::trunc(clamped)));
  return magnitude | (clamped < 0 && magnitude != 0 ? kSign : 0);
}

double fromWord(uint32_t word) {
  const double magnitude = word & kMagnitude;
  return word & kSign ? -magnitude : magnitude;
}

// Fills the words of every tree from value(c, x, y, depth, orientation), adds the ancestor
// ORs and returns the start threshold.
template <typename T, typename Value>
int buildWords(const Plane<T>& p, int levels, std::span<uint32_t> words, Value&& value) {
  const TreeLayout layout(p.width, p.height, levels);
  const int64_t perTree = int64_t{1} << (2 * levels);
  uint32_t largest = 0;
  int64_t tree = 0;
  for (int c = 0; c < p.channels; ++c)
    for (int64_t t = 0; t < layout.treesPerChannel(); ++t, ++tree) {
      const std::span<uint32_t> words1 =
          words.subspan(static_cast<size_t>(tree * perTree), static_cast<size_t>(perTree));
      layout.forEachWord(t, [&](int64_t k, int x, int y, int depth, int orientation) {
        const uint32_t w = toWord(value(c, x, y, depth, orientation));
        words1[static_cast<size_t>(k)] = w;
        largest = std::max(largest, w & kMagnitude);
      });
      propagateMagnitudes(words1);
    }
  return largest < 2 ? 1 : static_cast<int>(std::bit_floor(largest));
}

template <typename T, typename Store>
void readWords(std::span<const uint32_t> words, int levels, const Plane<T>& p, Store&& store) {
  const TreeLayout layout(p.width, p.height, levels);
  const int64_t perTree = int64_t{1} << (2 * levels);
  int64_t tree = 0;
  for (int c = 0; c < p.channels; ++c)
    for (int64_t t = 0; t < layout.treesPerChannel(); ++t, ++tree)
      layout.forEachWord(t, [&](int64_t k, int x, int y, int depth, int orientation) {
        store(p.at(x, y, c), words[static_cast<size_t>(tree * perTree + k)], c, depth, orientation);
      });
}

}  // namespace

int quantize(const Plane<double>& p, int levels, bool colour, std::span<uint32_t> words) {
  return buildWords(p, levels, words, [&](int c, int x, int y, int depth, int orientation) {
    return p.at(x, y, c) * bandFactor(c, colour, p.channels, depth, orientation);
  });
}

void dequantize(std::span<const uint32_t> words, int levels, bool colour, const Plane<double>& p) {
  readWords(words, levels, p, [&](double& v, uint32_t w, int c, int depth, int orientation) {
    v = fromWord(w) / bandFactor(c, colour, p.channels, depth, orientation);
  });
}

int wordsFromIntegers(const Plane<int16_t>& p, int levels, std::span<uint32_t> words) {
  return buildWords(p, levels, words, [&](int c, int x, int y, int, int) {
    return static_cast<double>(p.at(x, y, c));
  });
}

void integersFromWords(std::span<const uint32_t> words, int levels, const Plane<int16_t>& p) {
  readWords(words, levels, p,
            [](int16_t& v, uint32_t w, int, int, int) { v = static_cast<int16_t>(fromWord(w)); });
}

}  // namespace kvfcodec

using namespace kvfcodec;

extern "C" {

int Quantize(const double* plane, int32_t width, int32_t height, int32_t channels, int32_t rowStep,
             int32_t columnStep, int32_t levels, uint32_t* words, int32_t* threshold) {
  KVF_RETURN_IF_ERROR(levelsFit(width, height, levels, 0, KVF_MAX_LEVELS));
  if (plane == nullptr || words == nullptr || threshold == nullptr || rowStep <= 0 ||
      columnStep <= 0 || stridedExtent(Strided{width, height, columnStep, rowStep, channels}) < 0 ||
      int64_t{width} * height * channels > kMaxPlaneSamples)
    return kBadExtent;
  const auto lock = lockLibrary();
  const Plane<double> p{const_cast<double*>(plane), width, height, channels, rowStep, columnStep};
  *threshold =
      quantize(p, levels, channels == 3,
               std::span<uint32_t>(words, static_cast<size_t>(int64_t{width} * height * channels)));
  return kOk;
}

int RQuantize(const uint32_t* words, int32_t width, int32_t height, int32_t channels,
              int32_t levels, double* plane, int32_t rowStep, int32_t columnStep) {
  KVF_RETURN_IF_ERROR(levelsFit(width, height, levels, 0, KVF_MAX_LEVELS));
  if (plane == nullptr || words == nullptr || rowStep <= 0 || columnStep <= 0 ||
      stridedExtent(Strided{width, height, columnStep, rowStep, channels}) < 0 ||
      int64_t{width} * height * channels > kMaxPlaneSamples)
    return kBadExtent;
  const auto lock = lockLibrary();
  const Plane<double> p{plane, width, height, channels, rowStep, columnStep};
  dequantize(
      std::span<const uint32_t>(words, static_cast<size_t>(int64_t{width} * height * channels)),
      levels, channels == 3, p);
  return kOk;
}

}  // extern "C"
