#include "BytePlanes.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "CodecStatus.h"
#include "kvfcodec.h"

namespace kvfcodec {

PaddedSize paddedSize(int width, int height, int levels) {
  const int unit = 1 << levels;
  const int w = (width + unit - 1) / unit * unit;
  const int h = (height + unit - 1) / unit * unit;
  return {w, h, (w - width) / 2, (h - height) / 2};
}

template <typename T>
void preparePlane(const uint8_t* pixels, const Strided& source, const Plane<T>& plane,
                  const PaddedSize& padded) {
  for (int y = 0; y < plane.height; ++y) {
    const int sy = std::clamp(y - padded.offsetY, 0, static_cast<int>(source.height) - 1);
    for (int x = 0; x < plane.width; ++x) {
      const int sx = std::clamp(x - padded.offsetX, 0, static_cast<int>(source.width) - 1);
      for (int c = 0; c < plane.channels; ++c)
        plane.at(x, y, c) = static_cast<T>(pixels[stridedOffset(source, sx, sy, c)] - 128);
    }
  }
}

namespace {

// NaN (from a caller's plane) becomes 0 like any value below the range.
uint8_t toByte(double v) {
  const double sample = v + 128.0;
  if (!(sample > 0.0)) return 0;
  return sample >= 255.0 ? 255 : static_cast<uint8_t>(sample + 0.5);
}
uint8_t toByte(int16_t v) {
  return static_cast<uint8_t>(std::clamp(v + 128, 0, 255));
}

}  // namespace

template <typename T>
void restorePlane(const Plane<T>& plane, const PaddedSize& padded, int firstChannel, uint8_t* out,
                  const Strided& window) {
  const int width = std::min(static_cast<int>(window.width), plane.width - padded.offsetX);
  const int height = std::min(static_cast<int>(window.height), plane.height - padded.offsetY);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < window.channels; ++c)
        out[stridedOffset(window, x, y, c)] =
            toByte(plane.at(x + padded.offsetX, y + padded.offsetY, c + firstChannel));
}

template void preparePlane(const uint8_t*, const Strided&, const Plane<double>&, const PaddedSize&);
template void preparePlane(const uint8_t*, const Strided&, const Plane<int16_t>&,
                           const PaddedSize&);
template void restorePlane(const Plane<double>&, const PaddedSize&, int, uint8_t*, const Strided&);
template void restorePlane(const Plane<int16_t>&, const PaddedSize&, int, uint8_t*, const Strided&);

}  // namespace kvfcodec

using namespace kvfcodec;

namespace {

template <typename T>
int prepareExport(const uint8_t* pixels, int32_t width, int32_t height, int32_t columnStep,
                  int32_t rowStep, int32_t channels, int32_t padMultiple, T** plane,
                  KvfPlaneGeometry* geometry) {
  const Strided source{width, height, columnStep, rowStep, channels};
  if (pixels == nullptr || plane == nullptr || geometry == nullptr || stridedExtent(source) < 0)
    return kBadExtent;
  if (padMultiple <= 0 || !std::has_single_bit(static_cast<unsigned>(padMultiple)) ||
      padMultiple > (1 << KVF_MAX_LEVELS))
    return kNotExpanded;
  const PaddedSize padded =
      paddedSize(width, height, std::countr_zero(static_cast<unsigned>(padMultiple)));
  const int64_t samples = int64_t{padded.width} * padded.height * channels;
  if (samples > kMaxPlaneSamples) return kNoMemory;
  T* data = static_cast<T*>(AllocPtr(static_cast<int32_t>(samples), sizeof(T)));
  if (data == nullptr) return kNoMemory;
  const Plane<T> p{data,    padded.width, padded.height, channels, int64_t{padded.width} * channels,
                   channels};
  preparePlane(pixels, source, p, padded);
  *plane = data;
  *geometry = KvfPlaneGeometry{padded.width, padded.height,  channels,      padded.width * channels,
                               channels,     padded.offsetX, padded.offsetY};
  return kOk;
}

template <typename T>
int restoreExport(const T* plane, const KvfPlaneGeometry* g, uint8_t** output, int32_t width,
                  int32_t height, int32_t rowStep, int32_t columnStep) {
  if (plane == nullptr || g == nullptr || output == nullptr || g->rowStep <= 0 ||
      g->columnStep <= 0 || g->offsetX < 0 || g->offsetY < 0 || g->offsetX >= g->width ||
      g->offsetY >= g->height ||
      stridedExtent(Strided{g->width, g->height, g->columnStep, g->rowStep, g->channels}) < 0)
    return kBadExtent;
  const PaddedSize padded{g->width, g->height, g->offsetX, g->offsetY};
  Strided window{width > 0 ? width : g->width - 2 * g->offsetX,
                 height > 0 ? height : g->height - 2 * g->offsetY, columnStep, rowStep,
                 g->channels};
  if (window.columnStep == 0) window.columnStep = g->channels;
  if (window.rowStep == 0) window.rowStep = window.width * window.columnStep;
  const int64_t extent = stridedExtent(window);
  if (extent < 0) return kBadExtent;
  uint8_t* out = *output;
  if (out == nullptr) out = allocateBytes(extent);
  if (out == nullptr) return kNoMemory;
  const Plane<T> p{const_cast<T*>(plane), g->width,   g->height,
                   g->channels,           g->rowStep, g->columnStep};
  restorePlane(p, padded, 0, out, window);
  *output = out;
  return kOk;
}

}  // namespace

extern "C" {

int PrepareByteImageD(const uint8_t* pixels, int32_t width, int32_t height, int32_t columnStep,
                      int32_t rowStep, int32_t channels, int32_t padMultiple, int32_t,
                      double** plane, KvfPlaneGeometry* geometry) {
  return prepareExport(pixels, width, height, columnStep, rowStep, channels, padMultiple, plane,
                       geometry);
}

int PrepareByteImageS(const uint8_t* pixels, int32_t width, int32_t height, int32_t columnStep,
                      int32_t rowStep, int32_t channels, int32_t padMultiple, int32_t,
                      int16_t** plane, KvfPlaneGeometry* geometry) {
  return prepareExport(pixels, width, height, columnStep, rowStep, channels, padMultiple, plane,
                       geometry);
}

int RestoreByteImage(const double* plane, const KvfPlaneGeometry* geometry, uint8_t** output,
                     int32_t width, int32_t height, int32_t rowStep, int32_t columnStep) {
  return restoreExport(plane, geometry, output, width, height, rowStep, columnStep);
}

int RestoreByteImageS(const int16_t* plane, const KvfPlaneGeometry* geometry, uint8_t** output,
                      int32_t width, int32_t height, int32_t rowStep, int32_t columnStep) {
  return restoreExport(plane, geometry, output, width, height, rowStep, columnStep);
}

}  // extern "C"
