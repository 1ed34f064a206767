// Each level transforms the rows and then the columns of the current low-pass block; the
// next level works on its top-left quarter. The inverse runs the levels backwards.
#include "WaveletTransform.h"

#include <memory>
#include <vector>

#include "CodecStatus.h"
#include "Extent.h"
#include "FloatFilters.h"
#include "IntegerFilters.h"
#include "kvfcodec.h"

namespace kvfcodec {

int filterSupport(int filter) {
  return filter < kFloatFilterCount ? floatFilterSupport(filter)
                                    : integerFilterSupport(filter - kFloatFilterCount);
}

int levelsFit(int width, int height, int levels, int filter, int maxLevels) {
  if (filter < 0 || filter >= KVF_FILTER_COUNT) return kBadFilter;
  if (levels < 0 || levels > maxLevels) return kBadLevels;
  const int unit = 1 << levels;
  if (width <= 0 || height <= 0 || width % unit != 0 || height % unit != 0) return kNotExpanded;
  const int support = filterSupport(filter);
  if (levels > 0 && ((width >> (levels - 1)) < support || (height >> (levels - 1)) < support))
    return kBadLevels;
  return kOk;
}

namespace {

// Applies one 1-D pass to every line of one direction of the w x h block.
template <typename T, typename Pass>
void eachLine(const Plane<T>& p, int w, int h, bool rows, Pass&& pass) {
  const int lines = rows ? h : w;
  const int length = rows ? w : h;
  std::vector<T> line(static_cast<size_t>(length));
  for (int c = 0; c < p.channels; ++c)
    for (int l = 0; l < lines; ++l) {
      for (int k = 0; k < length; ++k)
        line[static_cast<size_t>(k)] = rows ? p.at(k, l, c) : p.at(l, k, c);
      pass(line);
      for (int k = 0; k < length; ++k)
        (rows ? p.at(k, l, c) : p.at(l, k, c)) = line[static_cast<size_t>(k)];
    }
}

void floatPass(const Plane<double>& p, int w, int h, bool rows, int filter, bool inverse) {
  const int length = rows ? w : h;
  std::vector<double> out(static_cast<size_t>(length));
  if (!inverse) {
    eachLine(p, w, h, rows, [&](std::vector<double>& line) {
      analyseFloat(filter, line, out);
      line = out;
    });
    return;
  }
  const FloatSynthesis synthesis(filter, length);
  eachLine(p, w, h, rows, [&](std::vector<double>& line) {
    synthesis.synthesise(line, out);
    line = out;
  });
}

}  // namespace

void forwardTransform(const Plane<double>& p, int levels, int filter) {
  for (int l = 0; l < levels; ++l) {
    const int w = p.width >> l, h = p.height >> l;
    floatPass(p, w, h, true, filter, false);
    floatPass(p, w, h, false, filter, false);
  }
}

void inverseTransform(const Plane<double>& p, int levels, int filter) {
  for (int l = levels - 1; l >= 0; --l) {
    const int w = p.width >> l, h = p.height >> l;
    floatPass(p, w, h, false, filter, true);
    floatPass(p, w, h, true, filter, true);
  }
}

void forwardTransform(const Plane<int16_t>& p, int levels, int filter) {
  const int f = filter - kFloatFilterCount;
  for (int l = 0; l < levels; ++l) {
    const int w = p.width >> l, h = p.height >> l;
    eachLine(p, w, h, true, [&](std::vector<int16_t>& line) { analyseInteger(f, line); });
    eachLine(p, w, h, false, [&](std::vector<int16_t>& line) { analyseInteger(f, line); });
  }
}

void inverseTransform(const Plane<int16_t>& p, int levels, int filter) {
  const int f = filter - kFloatFilterCount;
  for (int l = levels - 1; l >= 0; --l) {
    const int w = p.width >> l, h = p.height >> l;
    eachLine(p, w, h, false, [&](std::vector<int16_t>& line) { synthesiseInteger(f, line); });
    eachLine(p, w, h, true, [&](std::vector<int16_t>& line) { synthesiseInteger(f, line); });
  }
}

}  // namespace kvfcodec

using namespace kvfcodec;

namespace {

int transformExport(double* plane, int32_t width, int32_t height, int32_t channels, int32_t rowStep,
                    int32_t columnStep, int32_t levels, int32_t filter, bool inverse) {
  if (filter < 0 || filter >= kFloatFilterCount) return kBadFilter;
  KVF_RETURN_IF_ERROR(
      levelsFit(width, height, levels, filter, inverse ? KVF_MAX_LEVELS : KVF_MAX_FORWARD_LEVELS));
  if (plane == nullptr || rowStep <= 0 || columnStep <= 0 ||
      stridedExtent(Strided{width, height, columnStep, rowStep, channels}) < 0)
    return kBadExtent;
  const auto lock = lockLibrary();
  const Plane<double> p{plane, width, height, channels, rowStep, columnStep};
  if (inverse)
    inverseTransform(p, levels, filter);
  else
    forwardTransform(p, levels, filter);
  return kOk;
}

}  // namespace

extern "C" {

int WavTrafoD(double* plane, int32_t width, int32_t height, int32_t channels, int32_t rowStep,
              int32_t columnStep, int32_t levels, int32_t filter) {
  return transformExport(plane, width, height, channels, rowStep, columnStep, levels, filter,
                         false);
}

int RWavTrafoD(double* plane, int32_t width, int32_t height, int32_t channels, int32_t rowStep,
               int32_t columnStep, int32_t levels, int32_t filter) {
  return transformExport(plane, width, height, channels, rowStep, columnStep, levels, filter, true);
}

int CheckLevel(const KvfPictureSize* size, const KvfLevelsFilter* levelsFilter) {
  if (size == nullptr || levelsFilter == nullptr) return kBadExtent;
  const int filter = levelsFilter->filter;
  if (filter < 0 || filter > KVF_FILTER_COUNT) return kBadFilter;
  if (filter == KVF_FILTER_COUNT) return kBadLevels;
  const int levels = levelsFilter->levels;
  if (levels < 0 || levels > KVF_MAX_FORWARD_LEVELS || size->width <= 0 || size->height <= 0)
    return kBadLevels;
  const int unit = 1 << levels;
  const int64_t w = (int64_t{size->width} + unit - 1) / unit * unit;
  const int64_t h = (int64_t{size->height} + unit - 1) / unit * unit;
  if (w > 0xFFFF + unit || h > 0xFFFF + unit) return kBadLevels;
  return levelsFit(static_cast<int>(w), static_cast<int>(h), levels, filter,
                   KVF_MAX_FORWARD_LEVELS) == kOk
             ? kOk
             : kBadLevels;
}

}  // extern "C"
