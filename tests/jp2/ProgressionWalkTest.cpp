// Packet order of the five progressions, against hand-worked orders and against a literal
// walk over every reference-grid position as T.800 B.12 describes it.
#include "common/ProgressionWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "jp2.h"

namespace quillon::jp2 {
namespace {

using Order = std::vector<std::tuple<int, int, int, std::uint64_t>>;  // l, r, c, p

class Recorder final : public PacketVisitor {
 public:
  Status Visit(const PacketId& p) override {
    order.emplace_back(p.layer, p.resolution, p.component, p.precinct);
    return Status();
  }
  Order order;
};

Order Walk(const WalkTile& tile) {
  Recorder recorder;
  EXPECT_TRUE(WalkPackets(tile, recorder).ok());
  return recorder.order;
}

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) {
  return (a + b - 1) / b;
}

// The precinct grid of a resolution straight from the formulas of B.6.
struct RefLevel {
  std::uint64_t x0, y0, x1, y1, across, down;
  int ppx, ppy, n;
};

RefLevel Level(const WalkTile& tile, int c, int r) {
  const WalkComponent& wc = tile.components[c];
  RefLevel level{};
  level.n = wc.levels - r;
  const std::uint64_t sx = std::uint64_t{wc.factorX} << level.n;
  const std::uint64_t sy = std::uint64_t{wc.factorY} << level.n;
  level.x0 = CeilDiv(tile.tile.x0, sx);
  level.x1 = CeilDiv(tile.tile.x1, sx);
  level.y0 = CeilDiv(tile.tile.y0, sy);
  level.y1 = CeilDiv(tile.tile.y1, sy);
  level.ppx = wc.precincts[r] & 15;
  level.ppy = wc.precincts[r] >> 4;
  if (level.x0 < level.x1 && level.y0 < level.y1) {
    level.across = CeilDiv(level.x1, std::uint64_t{1} << level.ppx) - (level.x0 >> level.ppx);
    level.down = CeilDiv(level.y1, std::uint64_t{1} << level.ppy) - (level.y0 >> level.ppy);
  }
  return level;
}

// One step of the position orders: the packets of (c, r) starting at (x, y).
void AtPosition(const WalkTile& tile, int c, int r, std::uint64_t x, std::uint64_t y, Order* out) {
  const WalkComponent& wc = tile.components[c];
  if (r > wc.levels) return;
  const RefLevel lv = Level(tile, c, r);
  if (lv.across == 0 || lv.down == 0) return;
  const std::uint64_t yStep = std::uint64_t{wc.factorY} << (lv.ppy + lv.n);
  const std::uint64_t xStep = std::uint64_t{wc.factorX} << (lv.ppx + lv.n);
  const bool yOk =
      y % yStep == 0 ||
      (y == tile.tile.y0 && ((lv.y0 << lv.n) % (std::uint64_t{1} << (lv.ppy + lv.n))) != 0);
  const bool xOk =
      x % xStep == 0 ||
      (x == tile.tile.x0 && ((lv.x0 << lv.n) % (std::uint64_t{1} << (lv.ppx + lv.n))) != 0);
  if (!yOk || !xOk) return;
  const std::uint64_t k =
      (CeilDiv(x, std::uint64_t{wc.factorX} << lv.n) >> lv.ppx) - (lv.x0 >> lv.ppx) +
      lv.across * ((CeilDiv(y, std::uint64_t{wc.factorY} << lv.n) >> lv.ppy) - (lv.y0 >> lv.ppy));
  for (int l = 0; l < tile.layers; ++l) out->emplace_back(l, r, c, k);
}

Order Reference(const WalkTile& tile) {
  int levels = 0;
  for (int c = 0; c < tile.componentCount; ++c)
    levels = std::max(levels, tile.components[c].levels);
  Order out;
  const auto precincts = [&](int l, int r, int c) {
    if (r > tile.components[c].levels) return;
    const RefLevel lv = Level(tile, c, r);
    for (std::uint64_t p = 0; p < lv.across * lv.down; ++p) out.emplace_back(l, r, c, p);
  };
  const Rect& t = tile.tile;
  switch (tile.progression) {
    case JP2_Progression_LRCP:
      for (int l = 0; l < tile.layers; ++l)
        for (int r = 0; r <= levels; ++r)
          for (int c = 0; c < tile.componentCount; ++c) precincts(l, r, c);
      break;
    case JP2_Progression_RLCP:
      for (int r = 0; r <= levels; ++r)
        for (int l = 0; l < tile.layers; ++l)
          for (int c = 0; c < tile.componentCount; ++c) precincts(l, r, c);
      break;
    case JP2_Progression_RPCL:
      for (int r = 0; r <= levels; ++r)
        for (std::uint64_t y = t.y0; y < t.y1; ++y)
          for (std::uint64_t x = t.x0; x < t.x1; ++x)
            for (int c = 0; c < tile.componentCount; ++c) AtPosition(tile, c, r, x, y, &out);
      break;
    case JP2_Progression_PCRL:
      for (std::uint64_t y = t.y0; y < t.y1; ++y)
        for (std::uint64_t x = t.x0; x < t.x1; ++x)
          for (int c = 0; c < tile.componentCount; ++c)
            for (int r = 0; r <= tile.components[c].levels; ++r) AtPosition(tile, c, r, x, y, &out);
      break;
    default:
      for (int c = 0; c < tile.componentCount; ++c)
        for (std::uint64_t y = t.y0; y < t.y1; ++y)
          for (std::uint64_t x = t.x0; x < t.x1; ++x)
            for (int r = 0; r <= tile.components[c].levels; ++r) AtPosition(tile, c, r, x, y, &out);
  }
  return out;
}

WalkComponent Component(const Rect& tile, std::uint32_t fx, std::uint32_t fy, int levels,
                        const std::uint8_t* precincts) {
  WalkComponent c;
  c.tileComponent = {static_cast<std::uint32_t>(CeilDiv(tile.x0, fx)),
                     static_cast<std::uint32_t>(CeilDiv(tile.y0, fy)),
                     static_cast<std::uint32_t>(CeilDiv(tile.x1, fx)),
                     static_cast<std::uint32_t>(CeilDiv(tile.y1, fy))};
  c.factorX = fx;
  c.factorY = fy;
  c.levels = levels;
  c.precincts = precincts;
  return c;
}

constexpr std::uint8_t Pp(int ppx, int ppy) {
  return static_cast<std::uint8_t>(ppy * 16 + ppx);
}

TEST(ProgressionWalk, SubsampledComponentsInThePositionOrdersByHand) {
  const Rect grid{0, 0, 8, 4};
  const std::uint8_t full[] = {Pp(2, 2)};  // 4 x 4: two precincts side by side
  const std::uint8_t half[] = {Pp(1, 1)};  // 2 x 2 of a component at half width: also two
  const WalkComponent components[] = {Component(grid, 1, 1, 0, full),
                                      Component(grid, 2, 2, 0, half)};
  WalkTile tile{grid, components, 2, 1, JP2_Progression_PCRL};
  EXPECT_EQ(Walk(tile), (Order{{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {0, 0, 1, 1}}));
  tile.progression = JP2_Progression_CPRL;
  EXPECT_EQ(Walk(tile), (Order{{0, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 1, 0}, {0, 0, 1, 1}}));
}

TEST(ProgressionWalk, LayerAndResolutionOrdersByHand) {
  const Rect grid{0, 0, 8, 8};
  const std::uint8_t precincts[] = {Pp(15, 15), Pp(2, 2)};  // resolution 1 in 2 x 2 precincts
  const WalkComponent components[] = {Component(grid, 1, 1, 1, precincts)};
  WalkTile tile{grid, components, 1, 2, JP2_Progression_LRCP};
  EXPECT_EQ(Walk(tile), (Order{{0, 0, 0, 0},
                               {0, 1, 0, 0},
                               {0, 1, 0, 1},
                               {0, 1, 0, 2},
                               {0, 1, 0, 3},
                               {1, 0, 0, 0},
                               {1, 1, 0, 0},
                               {1, 1, 0, 1},
                               {1, 1, 0, 2},
                               {1, 1, 0, 3}}));
  tile.progression = JP2_Progression_RLCP;
  EXPECT_EQ(Walk(tile), (Order{{0, 0, 0, 0},
                               {1, 0, 0, 0},
                               {0, 1, 0, 0},
                               {0, 1, 0, 1},
                               {0, 1, 0, 2},
                               {0, 1, 0, 3},
                               {1, 1, 0, 0},
                               {1, 1, 0, 1},
                               {1, 1, 0, 2},
                               {1, 1, 0, 3}}));
  tile.progression = JP2_Progression_RPCL;
  EXPECT_EQ(Walk(tile), (Order{{0, 0, 0, 0},
                               {1, 0, 0, 0},
                               {0, 1, 0, 0},
                               {1, 1, 0, 0},
                               {0, 1, 0, 1},
                               {1, 1, 0, 1},
                               {0, 1, 0, 2},
                               {1, 1, 0, 2},
                               {0, 1, 0, 3},
                               {1, 1, 0, 3}}));
}

// An unaligned tile, three components with different subsampling, levels and precinct sizes
// per resolution: every order equals the literal walk, and every packet appears once.
TEST(ProgressionWalk, EveryOrderMatchesTheWalkOverEveryGridPosition) {
  const Rect grid{3, 5, 37, 27};
  const std::uint8_t p0[] = {Pp(1, 2), Pp(2, 2), Pp(3, 1)};
  const std::uint8_t p1[] = {Pp(1, 1), Pp(2, 1)};
  const std::uint8_t p2[] = {Pp(0, 1), Pp(1, 1), Pp(2, 2), Pp(1, 3)};
  const WalkComponent components[] = {Component(grid, 1, 1, 2, p0), Component(grid, 2, 1, 1, p1),
                                      Component(grid, 2, 4, 3, p2)};
  for (int progression = 0; progression <= 4; ++progression) {
    const WalkTile tile{grid, components, 3, 2, progression};
    const Order walked = Walk(tile);
    EXPECT_EQ(walked, Reference(tile)) << "progression " << progression;
    Order sorted = walked;
    std::sort(sorted.begin(), sorted.end());
    Order lrcp = Reference(WalkTile{grid, components, 3, 2, JP2_Progression_LRCP});
    std::sort(lrcp.begin(), lrcp.end());
    EXPECT_EQ(sorted, lrcp) << "progression " << progression;
  }
}

TEST(ProgressionWalk, EmptyResolutionLevelsHaveNoPackets) {
  const std::uint8_t precincts[] = {Pp(15, 15), Pp(15, 15), Pp(15, 15)};
  // One column at x = 1: the two lower resolution levels have no width.
  const Rect odd{1, 0, 2, 3};
  const WalkComponent components[] = {Component(odd, 1, 1, 2, precincts)};
  EXPECT_EQ(PrecinctsOf(components[0], 0).Count(), 0u);
  EXPECT_EQ(PrecinctsOf(components[0], 1).Count(), 0u);
  EXPECT_EQ(PrecinctsOf(components[0], 2).Count(), 1u);
  for (int progression = 0; progression <= 4; ++progression) {
    const WalkTile tile{odd, components, 1, 1, progression};
    EXPECT_EQ(Walk(tile), (Order{{0, 2, 0, 0}})) << "progression " << progression;
  }
}

TEST(ProgressionWalk, UnknownProgressionIsRefused) {
  const Rect grid{0, 0, 4, 4};
  const std::uint8_t precincts[] = {Pp(15, 15)};
  const WalkComponent components[] = {Component(grid, 1, 1, 0, precincts)};
  Recorder recorder;
  EXPECT_EQ(WalkPackets(WalkTile{grid, components, 1, 1, 5}, recorder).code(),
            JP2_Error_ValueOutOfRange);
}

}  // namespace
}  // namespace quillon::jp2
