// The slope floor: the bytes of every hull segment counted under its slope, and the bound
// never above a slope whose steeper segments still fit the budget.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "encoder/SlopeFloor.h"

namespace quillon::jp2::test {
namespace {

// A coded block with hull points of the given slopes (0: a removed point) and lengths.
struct HullBlock {
  std::vector<std::uint32_t> lengths;
  std::vector<float> slopes;

  CodedBlock Coded() const {
    CodedBlock block;
    block.passCount = static_cast<std::uint16_t>(lengths.size());
    block.lengths = lengths.data();
    block.slopes = slopes.data();
    return block;
  }
};

TEST(SlopeFloor, BoundsFromTheSteepestSegmentsThatOutgrowTheBudget) {
  // 100 bytes at each of slopes 8, 4, 3.1 and 1; a removed point between carries no bytes.
  const HullBlock first{{100, 100, 200}, {8.0f, 0.0f, 4.0f}};
  const HullBlock second{{100, 200}, {3.1f, 1.0f}};
  SlopeFloor floor;
  EXPECT_EQ(floor.Below(0), 0.0f);
  floor.Add(first.Coded());
  floor.Add(second.Coded());
  const struct {
    std::uint64_t budget;
    float below;
  } cases[] = {
      {400, 0.0f},                            // everything fits: no bound
      {399, 1.0f}, {300, 1.0f}, {299, 3.0f},  // 3.1 counts from its bin's edge, 3
      {200, 3.0f}, {199, 4.0f}, {99, 8.0f},  {0, 8.0f},
  };
  for (const auto& c : cases) EXPECT_EQ(floor.Below(c.budget), c.below) << c.budget;
}

}  // namespace
}  // namespace quillon::jp2::test
