// The reference grid and subsampling factors derived from component sizes, offsets and
// tiling, directly and through SetProp.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "encoder/CompressState.h"
#include "encoder/ReferenceGridFit.h"
#include "support/EncoderFixture.h"

namespace quillon::jp2::test {
namespace {

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) {
  return (a + b - 1) / b;
}

std::vector<ComponentGeometry> Widths(std::initializer_list<std::uint32_t> widths) {
  std::vector<ComponentGeometry> components;
  for (const std::uint32_t width : widths) {
    ComponentGeometry component;
    component.size[kAxisX] = width;
    components.push_back(component);
  }
  return components;
}

// Every component with a size has it on the grid: ceil(X1/f) - ceil(X0/f) = size.
void ExpectSizesReproduced(const std::vector<ComponentGeometry>& components, std::uint32_t offset,
                           std::uint32_t extent) {
  for (std::size_t i = 0; i < components.size(); ++i) {
    const std::uint32_t size = components[i].size[kAxisX];
    if (size == 0) continue;
    const std::uint32_t factor = components[i].factor[kAxisX];
    ASSERT_GE(factor, 1u);
    EXPECT_EQ(CeilDiv(extent, factor) - CeilDiv(offset, factor), size)
        << "component " << i << " factor " << factor << " extent " << extent;
  }
}

std::uint32_t Fit(std::vector<ComponentGeometry>& components, std::uint32_t offset) {
  std::uint32_t extent = 0;
  EXPECT_TRUE(FitAxis(components.data(), static_cast<int>(components.size()), kAxisX, offset, true,
                      &extent));
  return extent;
}

TEST(ReferenceGridFit, FactorsOfKnownLayouts) {
  struct Case {
    std::initializer_list<std::uint32_t> widths;
    std::uint32_t offset, extent;
    std::vector<int> factors;
  };
  const Case cases[] = {
      {{640, 640, 640}, 0, 640, {1, 1, 1}},
      {{640, 640}, 7, 647, {1, 1}},
      {{101, 51, 51}, 0, 101, {1, 2, 2}},  // halved chroma of an odd width
      {{7, 5}, 0, 13, {2, 3}},             // the widest component needs factor 2
  };
  for (const Case& c : cases) {
    auto components = Widths(c.widths);
    EXPECT_EQ(Fit(components, c.offset), c.extent);
    for (std::size_t i = 0; i < components.size(); ++i) {
      EXPECT_EQ(components[i].factor[kAxisX], c.factors[i]) << "extent " << c.extent;
    }
  }
}

TEST(ReferenceGridFit, ComponentsWithoutSizeAreLeftOut) {
  auto components = Widths({0, 300, 0, 100});
  components[0].factor[kAxisX] = 9;
  EXPECT_EQ(Fit(components, 0), 300u);
  EXPECT_EQ(components[0].factor[kAxisX], 9);
  EXPECT_EQ(components[3].factor[kAxisX], 3);
  auto none = Widths({0, 0});
  EXPECT_EQ(Fit(none, 5), 0u);
}

TEST(ReferenceGridFit, RatiosBeyond255DoNotFit) {
  auto components = Widths({1000, 999});
  std::uint32_t extent = 1;
  EXPECT_FALSE(FitAxis(components.data(), 2, kAxisX, 0, true, &extent));
  EXPECT_EQ(components[1].factor[kAxisX], 1) << "factors are kept when nothing fits";
  auto extreme = Widths({300, 1});
  EXPECT_FALSE(FitAxis(extreme.data(), 2, kAxisX, 0, true, &extent));
}

TEST(ReferenceGridFit, SubsampledPicturesAreReproducedExactly) {
  // Sizes made from a real grid and real factors must always find a grid that gives them.
  std::mt19937 random(6);
  for (int round = 0; round < 3000; ++round) {
    const std::uint32_t offset = random() % 50;
    const std::uint32_t extent = offset + 1 + random() % 3000;
    const int count = 1 + static_cast<int>(random() % 4);
    std::vector<ComponentGeometry> components(count);
    for (auto& component : components) {
      const std::uint32_t factor = 1 + random() % 8;
      component.size[kAxisX] =
          static_cast<std::uint32_t>(CeilDiv(extent, factor) - CeilDiv(offset, factor));
    }
    std::uint32_t fitted = 0;
    ASSERT_TRUE(FitAxis(components.data(), count, kAxisX, offset, true, &fitted))
        << "round " << round;
    EXPECT_LE(fitted, extent) << "round " << round;
    ExpectSizesReproduced(components, offset, fitted);
  }
}

class GridProperties : public EncoderTest {
 protected:
  void SetUp() override { Start(3); }
  const ComponentGeometry& Component(int i) { return StateOf(handle)->components[i]; }
};

TEST_F(GridProperties, SizesSetOneByOneDeriveFactors) {
  ASSERT_EQ(Set(JP2_Prop_Width, 50, -1, 1), 0);
  EXPECT_EQ(Get(JP2_Prop_GridWidth), 50u);
  ASSERT_EQ(Set(JP2_Prop_Width, 50, -1, 2), 0);
  ASSERT_EQ(Set(JP2_Prop_Width, 100, -1, 0), 0);
  EXPECT_EQ(Get(JP2_Prop_GridWidth), 100u);
  EXPECT_EQ(Component(0).factor[kAxisX], 1);
  EXPECT_EQ(Component(1).factor[kAxisX], 2);
  ASSERT_EQ(Set(JP2_Prop_Height, 75), 0);
  EXPECT_EQ(Get(JP2_Prop_GridHeight), 75u);
  EXPECT_EQ(Component(2).factor[kAxisY], 1);
}

TEST_F(GridProperties, SizeWithoutFitIsResetAndGridKept) {
  ASSERT_EQ(Set(JP2_Prop_Width, 1000, -1, 0), 0);
  EXPECT_EQ(Set(JP2_Prop_Width, 999, -1, 1), JP2_Error_ImageSize);
  EXPECT_EQ(Get(JP2_Prop_Width, 0, 1), 0u);
  EXPECT_EQ(Get(JP2_Prop_Width, 0, 0), 1000u);
  EXPECT_EQ(Get(JP2_Prop_GridWidth), 1000u);
}

TEST_F(GridProperties, GridPropertiesNeedASizeFirst) {
  EXPECT_EQ(Set(JP2_Prop_TileWidth, 16), JP2_Error_ImageSize);
  EXPECT_EQ(Set(JP2_Prop_TileHeight, 16), JP2_Error_ImageSize);
  EXPECT_EQ(Set(JP2_Prop_OffsetX, 1), JP2_Error_ImageSize);
  EXPECT_EQ(Set(JP2_Prop_TileOffsetY, 1), JP2_Error_ImageSize);
  ASSERT_EQ(Set(JP2_Prop_Width, 10), 0);
  EXPECT_EQ(Set(JP2_Prop_TileWidth, 4), 0);
  EXPECT_EQ(Set(JP2_Prop_TileHeight, 4), JP2_Error_ImageSize);
}

TEST_F(GridProperties, OffsetMovesTheGridAndKeepsTheImageSize) {
  SetSize(100, 80);
  ASSERT_EQ(Set(JP2_Prop_Width, 50, -1, 1), 0);
  ASSERT_EQ(Set(JP2_Prop_OffsetX, 11), 0);
  ASSERT_EQ(Set(JP2_Prop_OffsetY, 3), 0);
  EXPECT_EQ(Get(JP2_Prop_GridWidth) - Get(JP2_Prop_OffsetX), 100u);
  EXPECT_EQ(Get(JP2_Prop_GridHeight) - Get(JP2_Prop_OffsetY), 80u);
  const std::uint32_t extent = static_cast<std::uint32_t>(Get(JP2_Prop_GridWidth));
  const std::uint32_t offset = static_cast<std::uint32_t>(Get(JP2_Prop_OffsetX));
  for (int c = 0; c < 3; ++c) {
    const ComponentGeometry& component = Component(c);
    EXPECT_EQ(CeilDiv(extent, component.factor[kAxisX]) - CeilDiv(offset, component.factor[kAxisX]),
              component.size[kAxisX]);
  }
}

TEST_F(GridProperties, ResizingScalesOffsetsAndKeepsSizesExact) {
  SetSize(100, 100);
  ASSERT_EQ(Set(JP2_Prop_OffsetX, 10), 0);
  ASSERT_EQ(Set(JP2_Prop_TileOffsetX, 5), 0);
  ASSERT_EQ(Set(JP2_Prop_TileWidth, 55), 0);
  ASSERT_EQ(Get(JP2_Prop_GridWidth), 110u);
  ASSERT_EQ(Set(JP2_Prop_Width, 200), 0);
  EXPECT_EQ(Get(JP2_Prop_OffsetX), 20u);
  EXPECT_EQ(Get(JP2_Prop_TileOffsetX), 10u);
  EXPECT_EQ(Get(JP2_Prop_TileWidth), 105u);
  EXPECT_EQ(Get(JP2_Prop_GridWidth) - Get(JP2_Prop_OffsetX), 200u)
      << "the grid is fitted again to the scaled offset";
}

TEST_F(GridProperties, TileCountFollowsTilingAndOffsets) {
  SetSize(100, 60);
  ASSERT_EQ(Set(JP2_Prop_TileWidth, 30), 0);
  EXPECT_EQ(Get(JP2_Prop_TileCount), 4u);
  ASSERT_EQ(Set(JP2_Prop_TileHeight, 25), 0);
  EXPECT_EQ(Get(JP2_Prop_TileCount), 12u);
  ASSERT_EQ(Set(JP2_Prop_TileOffsetY, 10), 0);
  EXPECT_EQ(Get(JP2_Prop_TileCount), 8u);
}

TEST_F(GridProperties, MoreThan65535TilesAreRefusedAndChangeNothing) {
  SetSize(1000, 1000);
  ASSERT_EQ(Set(JP2_Prop_TileWidth, 4), 0);
  ASSERT_EQ(Set(JP2_Prop_TileHeight, 4), 0);
  ASSERT_EQ(Get(JP2_Prop_TileCount), 62500u);
  EXPECT_EQ(Set(JP2_Prop_TileHeight, 3), JP2_Error_Limit);
  EXPECT_EQ(Get(JP2_Prop_TileHeight), 4u);
  EXPECT_EQ(Get(JP2_Prop_TileCount), 62500u);
  EXPECT_EQ(Get(JP2_Prop_Levels, 62499, 2), 5u);
  // A wider picture scales the tiles with it instead of multiplying them.
  EXPECT_EQ(Set(JP2_Prop_Width, 1100), 0);
  EXPECT_EQ(Get(JP2_Prop_TileWidth), 5u);
  EXPECT_EQ(Get(JP2_Prop_TileCount), 220u * 250u);
}

TEST_F(GridProperties, OffsetsBeyond32BitsAreRefused) {
  SetSize(100, 100);
  EXPECT_EQ(Set(JP2_Prop_OffsetX, 0xFFFFFFF0u), JP2_Error_ValueOutOfRange);
  EXPECT_EQ(Get(JP2_Prop_OffsetX), 0u);
  EXPECT_EQ(Get(JP2_Prop_GridWidth), 100u);
}

}  // namespace
}  // namespace quillon::jp2::test
