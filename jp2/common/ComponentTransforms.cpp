#include "common/ComponentTransforms.h"

#include "common/WrappingInt.h"

namespace quillon::jp2 {

void ForwardRct(std::int32_t* c0, std::int32_t* c1, std::int32_t* c2, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t r = c0[i];
    const std::int32_t g = c1[i];
    const std::int32_t b = c2[i];
    c0[i] = (r + 2 * g + b) >> 2;
    c1[i] = b - g;
    c2[i] = r - g;
  }
}

void InverseRct(std::int32_t* c0, std::int32_t* c1, std::int32_t* c2, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t g = WrappingSub(c0[i], WrappingAdd(c1[i], c2[i]) >> 2);
    const std::int32_t b = WrappingAdd(c1[i], g);
    const std::int32_t r = WrappingAdd(c2[i], g);
    c0[i] = r;
    c1[i] = g;
    c2[i] = b;
  }
}

void ForwardIct(float* c0, float* c1, float* c2, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const float r = c0[i];
    const float g = c1[i];
    const float b = c2[i];
    c0[i] = 0.299f * r + 0.587f * g + 0.114f * b;
    c1[i] = 0.5f * b - 0.33126f * g - 0.16875f * r;
    c2[i] = 0.5f * r - 0.41869f * g - 0.08131f * b;
  }
}

void InverseIct(float* c0, float* c1, float* c2, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const float y = c0[i];
    const float cb = c1[i];
    const float cr = c2[i];
    c0[i] = y + 1.402f * cr;
    c1[i] = y - 0.34413f * cb - 0.71414f * cr;
    c2[i] = y + 1.772f * cb;
  }
}

}  // namespace quillon::jp2
