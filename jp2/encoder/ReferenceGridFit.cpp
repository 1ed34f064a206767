#include "encoder/ReferenceGridFit.h"

#include <algorithm>
#include <limits>

namespace quillon::jp2 {
namespace {

struct Interval {
  std::uint64_t low;
  std::uint64_t high;
};

constexpr std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) {
  return (a + b - 1) / b;
}

// The grid extents X1 with ceil(X1 / f) - ceil(offset / f) = size.
Interval ExtentsFor(std::uint64_t factor, std::uint64_t size, std::uint64_t offset) {
  const std::uint64_t first = CeilDiv(offset, factor);
  return {(first + size - 1) * factor + 1, (first + size) * factor};
}

// The factor of one component against the current interval, or 0 when none below 256
// reaches it. The search starts from an estimate and only ever raises the factor.
std::uint32_t FactorReaching(std::uint64_t size, std::uint64_t offset, std::uint64_t low) {
  const std::int64_t estimate =
      (static_cast<std::int64_t>(size) - static_cast<std::int64_t>(offset) +
       static_cast<std::int64_t>(low) + 1) /
      static_cast<std::int64_t>(size + 2);
  std::uint64_t factor = estimate < 1 ? 1 : static_cast<std::uint64_t>(estimate);
  while (factor <= kMaxFactor && ExtentsFor(factor, size, offset).high < low) ++factor;
  return factor <= kMaxFactor ? static_cast<std::uint32_t>(factor) : 0;
}

// Narrows the widest component's interval for factor m by every component; false when a
// component finds no factor or the intersection becomes empty.
bool FitWithWidestFactor(ComponentGeometry* components, int count, Axis axis, std::uint64_t offset,
                         int widest, std::uint32_t m, bool storeFactors, std::uint64_t* extent) {
  Interval current = ExtentsFor(m, components[widest].size[axis], offset);
  for (int i = 0; i < count; ++i) {
    const std::uint64_t size = components[i].size[axis];
    if (size == 0) continue;
    const std::uint32_t factor = FactorReaching(size, offset, current.low);
    if (factor == 0) return false;
    const Interval own = ExtentsFor(factor, size, offset);
    current.low = std::max(current.low, own.low);
    current.high = std::min(current.high, own.high);
    if (current.low > current.high) return false;
    if (storeFactors) components[i].factor[axis] = static_cast<std::uint8_t>(factor);
  }
  *extent = current.low;
  return true;
}

}  // namespace

bool FitAxis(ComponentGeometry* components, int count, Axis axis, std::uint32_t offset,
             bool storeFactors, std::uint32_t* extent) {
  *extent = 0;
  int widest = -1;
  for (int i = 0; i < count; ++i) {
    if (components[i].size[axis] == 0) continue;
    if (widest < 0 || components[i].size[axis] > components[widest].size[axis]) widest = i;
  }
  if (widest < 0) return true;
  for (std::uint32_t m = 1; m <= kMaxFactor; ++m) {
    std::uint64_t found = 0;
    if (!FitWithWidestFactor(components, count, axis, offset, widest, m, false, &found)) {
      continue;
    }
    if (found > std::numeric_limits<std::uint32_t>::max()) return false;
    if (storeFactors) {
      // The same walk again, now writing the factors it found.
      static_cast<void>(
          FitWithWidestFactor(components, count, axis, offset, widest, m, true, &found));
    }
    *extent = static_cast<std::uint32_t>(found);
    return true;
  }
  return false;
}

}  // namespace quillon::jp2
