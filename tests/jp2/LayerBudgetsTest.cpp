// Tile budgets from the target size and layer budgets from the tile budget.
#include "encoder/LayerBudgets.h"

#include <gtest/gtest.h>

#include <vector>

#include "jp2.h"

namespace quillon::jp2 {
namespace {

TEST(LayerBudgets, ThreeLayersOf7000BytesDoubleFrom1000) {
  TileLayering tile;
  tile.layers = 3;
  tile.targeted = true;
  tile.tilePartHeader = 14;
  tile.nonEmptyPrecincts = 5;
  tile.tileBudget = 7000 + 14 + 5 * 3;  // 7000 after the header and one byte per packet
  std::uint64_t budgets[3];
  LayerBudgets(tile, budgets);
  EXPECT_EQ(budgets[0], 1000u + 5 + 14);
  EXPECT_EQ(budgets[1], 2000u + 5);
  EXPECT_EQ(budgets[2], 4000u + 5);
}

TEST(LayerBudgets, WithoutTargetHalfTheRawSizeAndTheLastLayerFourfold) {
  TileLayering tile;
  tile.layers = 2;
  tile.uncompressedBits = 8 * 2 * 3000;  // 6000 bytes, half of it 3000
  std::uint64_t budgets[2];
  LayerBudgets(tile, budgets);
  EXPECT_EQ(budgets[0], 1000u);
  EXPECT_EQ(budgets[1], 4 * 2000u);
}

TEST(LayerBudgets, SmallTotalsKeepTheFloorOfEachLayerUntilNothingIsLeft) {
  TileLayering tile;
  tile.layers = 4;
  tile.targeted = true;
  tile.tileBudget = 250;
  std::uint64_t budgets[4];
  LayerBudgets(tile, budgets);
  // 250/15 is raised to 100, 150/7 to 130, then only 20 is left, then nothing.
  EXPECT_EQ(budgets[0], 100u);
  EXPECT_EQ(budgets[1], 130u);
  EXPECT_EQ(budgets[2], 20u);
  EXPECT_EQ(budgets[3], 0u);
}

TEST(LayerBudgets, OneLayerTakesTheTileBudget) {
  TileLayering tile;
  tile.targeted = true;
  tile.tileBudget = 12345;
  std::uint64_t budget = 0;
  LayerBudgets(tile, &budget);
  EXPECT_EQ(budget, 12345u);
}

TEST(TileBudgets, TargetBelowTheHeadersIsMinus33) {
  ImageShare image;
  image.mainHeader = 100;
  image.area = 64 * 64;
  const TileShare tile{64 * 64, 0, 14, 6};
  std::uint64_t budget = 0;
  image.target = 100 + 14 + 6 + 2 - 1;
  EXPECT_EQ(TileBudgets(image, &tile, 1, &budget).code(), JP2_Error_TargetTooSmall);
  image.target += 1;
  EXPECT_TRUE(TileBudgets(image, &tile, 1, &budget).ok());
  EXPECT_EQ(budget, 0u);
}

TEST(TileBudgets, SharedByAreaWithoutRegions) {
  ImageShare image;
  image.target = 10000 + 2;
  image.area = 400;
  const std::vector<TileShare> tiles = {{300, 0, 0, 0}, {100, 0, 0, 0}};
  std::uint64_t budgets[2];
  ASSERT_TRUE(TileBudgets(image, tiles.data(), 2, budgets).ok());
  EXPECT_EQ(budgets[0], 7500u);
  EXPECT_EQ(budgets[1], 2500u);
}

TEST(TileBudgets, RegionShareGoesByCoveredAreaAndTheRestByAreaOutside) {
  ImageShare image;
  image.target = 10000 + 2;
  image.area = 400;
  image.regions = true;
  image.regionArea = 100;           // one rectangle, all in tile 0
  image.uncompressedBytes = 16000;  // region share min(10000, 2000)
  const std::vector<TileShare> tiles = {{200, 100, 0, 0}, {200, 0, 0, 0}};
  std::uint64_t budgets[2];
  ASSERT_TRUE(TileBudgets(image, tiles.data(), 2, budgets).ok());
  // Background 8000 over 300 outside: tile 0 has 100 of it, tile 1 200.
  EXPECT_EQ(budgets[0], 2000u + 8000u / 3);
  EXPECT_EQ(budgets[1], 8000u * 2 / 3);
}

TEST(TileBudgets, RegionAreaIsClippedToTheTileAndSummedOverRectangles) {
  const GridRegion regions[] = {{0, 0, 10, 10}, {5, 5, 20, 8}};
  EXPECT_EQ(RegionAreaInside(regions, 2, Rect{0, 0, 100, 100}), 100u + 45u);
  EXPECT_EQ(RegionAreaInside(regions, 2, Rect{8, 0, 16, 6}), 2u * 6u + 8u * 1u);
  EXPECT_EQ(RegionAreaInside(regions, 2, Rect{20, 0, 30, 30}), 0u);
}

}  // namespace
}  // namespace quillon::jp2
