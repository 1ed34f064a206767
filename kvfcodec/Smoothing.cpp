// Operations on transformed double planes: scaling detail bands and setting or scaling
// the low-pass block of a level.
#include "CodecStatus.h"
#include "Extent.h"
#include "WaveletTransform.h"
#include "kvfcodec.h"

using namespace kvfcodec;

namespace {

enum Bands { kHorizontal = 1, kVertical = 2, kDiagonal = 4 };

int checkPlane(const double* plane, const KvfPlaneGeometry* g, int level) {
  if (plane == nullptr || g == nullptr || g->rowStep <= 0 || g->columnStep <= 0 ||
      stridedExtent(Strided{g->width, g->height, g->columnStep, g->rowStep, g->channels}) < 0)
    return kBadExtent;
  if (level < 1 || level > 13 || (g->width >> level) == 0 || (g->height >> level) == 0)
    return kBadLevels;
  return kOk;
}

template <typename F>
void eachInBlock(const Plane<double>& p, int x0, int y0, int w, int h, F&& f) {
  for (int c = 0; c < p.channels; ++c)
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) f(p.at(x, y, c));
}

int scaleDetails(double* plane, const KvfPlaneGeometry* g, int levels, const double* factors,
                 int bands) {
  KVF_RETURN_IF_ERROR(checkPlane(plane, g, levels));
  const auto lock = lockLibrary();
  const Plane<double> p{plane, g->width, g->height, g->channels, g->rowStep, g->columnStep};
  for (int l = 1; l <= levels; ++l) {
    const double f = factors != nullptr ? factors[l - 1] : 0.75;
    const int w = g->width >> l, h = g->height >> l;
    const auto scale = [f](double& v) { v *= f; };
    if (bands & kHorizontal) eachInBlock(p, w, 0, w, h, scale);
    if (bands & kVertical) eachInBlock(p, 0, h, w, h, scale);
    if (bands & kDiagonal) eachInBlock(p, w, h, w, h, scale);
  }
  return kOk;
}

template <typename F>
int lowPass(double* plane, const KvfPlaneGeometry* g, int level, F&& f) {
  KVF_RETURN_IF_ERROR(checkPlane(plane, g, level));
  const auto lock = lockLibrary();
  const Plane<double> p{plane, g->width, g->height, g->channels, g->rowStep, g->columnStep};
  eachInBlock(p, 0, 0, g->width >> level, g->height >> level, f);
  return kOk;
}

}  // namespace

extern "C" {

int WSmooth(double* plane, const KvfPlaneGeometry* geometry, int32_t levels,
            const double* factors) {
  return scaleDetails(plane, geometry, levels, factors, kHorizontal | kVertical | kDiagonal);
}

int WXYSmooth(double* plane, const KvfPlaneGeometry* geometry, int32_t levels,
              const double* factors, int32_t direction) {
  return scaleDetails(plane, geometry, levels, factors, direction == 0 ? kHorizontal : kVertical);
}

int WSetTP(double* plane, const KvfPlaneGeometry* geometry, int32_t level, double value) {
  return lowPass(plane, geometry, level, [value](double& v) { v = value; });
}

int WMultTP(double* plane, const KvfPlaneGeometry* geometry, int32_t level, double value) {
  return lowPass(plane, geometry, level, [value](double& v) { v *= value; });
}

}  // extern "C"
