#include "ColourTransforms.h"

namespace kvfcodec {
namespace {

template <typename T, typename Map>
void eachPixel(const Plane<T>& p, Map&& map) {
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) map(p.at(x, y, 0), p.at(x, y, 1), p.at(x, y, 2));
}

}  // namespace

void forwardColour(const Plane<double>& p) {
  eachPixel(p, [](double& c0, double& c1, double& c2) {
    const double y = 0.299 * c0 + 0.587 * c1 + 0.114 * c2;
    const double i = 0.596 * c0 - 0.275 * c1 - 0.321 * c2;
    const double q = 0.212 * c0 - 0.523 * c1 + 0.311 * c2;
    c0 = y;
    c1 = i;
    c2 = q;
  });
}

void inverseColour(const Plane<double>& p) {
  eachPixel(p, [](double& y, double& i, double& q) {
    const double c0 = y + 0.956 * i + 0.62 * q;
    const double c1 = y - 0.272 * i - 0.647 * q;
    const double c2 = y - 1.108 * i + 1.705 * q;
    y = c0;
    i = c1;
    q = c2;
  });
}

void forwardColour(const Plane<int16_t>& p) {
  eachPixel(p, [](int16_t& c0, int16_t& c1, int16_t& c2) {
    const int sum = c0 + c1 + c2;
    c0 = static_cast<int16_t>(c0 - sum / 3);
    c1 = static_cast<int16_t>(c1 - sum / 3);
    c2 = static_cast<int16_t>(sum);
  });
}

void inverseColour(const Plane<int16_t>& p) {
  eachPixel(p, [](int16_t& c0, int16_t& c1, int16_t& c2) {
    const int sum = c2;
    c0 = static_cast<int16_t>(c0 + sum / 3);
    c1 = static_cast<int16_t>(c1 + sum / 3);
    c2 = static_cast<int16_t>(sum - c0 - c1);
  });
}

}  // namespace kvfcodec
