// Layer assignment: everything into one layer, and the greedy fill of layer budgets.
#include "encoder/RateAllocation.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "jp2.h"
#include "support/CountingAllocator.h"
#include "support/SyntheticBlocks.h"

namespace quillon::jp2 {
namespace {

using test::Block;
using test::OneBandPrecinct;

class RateAllocationTest : public ::testing::Test {
 protected:
  MemoryCallbacks Memory() {
    return {&test::CountingAllocator::Allocate, allocator.Param(),
            &test::CountingAllocator::Release, allocator.Param()};
  }

  Status Allocate(OneBandPrecinct& precinct, std::vector<std::uint64_t> budgets) {
    tile.precincts = &precinct.precinct;
    tile.precinctCount = 1;
    tile.layers = static_cast<int>(budgets.size());
    return AllocateLayers(tile, budgets.data(), Memory());
  }

  // Header and body bytes of a layer's packet.
  std::uint64_t LayerBytes(OneBandPrecinct& precinct, int layer) {
    std::uint32_t header = 0;
    EXPECT_TRUE(
        MeasurePacketHeader(precinct.precinct, layer, tile.layers, tile.markers, &header).ok());
    return header + PacketBodyBytes(precinct.precinct, layer);
  }

  void TearDown() override {
    EXPECT_TRUE(allocator.live.empty());
    EXPECT_EQ(allocator.badReleases, 0);
  }

  test::CountingAllocator allocator;
  RateTile tile;
};

TEST_F(RateAllocationTest, OneLayerWithoutTargetTakesEveryPass) {
  Block a({5, 9, 20}, 2);
  Block b({}, 0);
  Block c({1, 2, 3, 4, 5, 6, 7}, 0);
  a.Slopes({0, 0, 0});  // no hull point matters here
  OneBandPrecinct precinct({&a, &b, &c}, 3, 1);
  tile.precincts = &precinct.precinct;
  tile.precinctCount = 1;
  IncludeEverything(tile);
  EXPECT_EQ(a.coded.layerEnd[0], 3);
  EXPECT_EQ(b.coded.layerEnd[0], 0);
  EXPECT_EQ(c.coded.layerEnd[0], 7);
  EXPECT_EQ(PacketBodyBytes(precinct.precinct, 0), 20u + 7u);
}

TEST_F(RateAllocationTest, SteepestPassesFirstUntilTheBudgetIsSpent) {
  Block a({100, 200}, 0);
  Block b({100}, 0);
  a.Slopes({10, 1});
  b.Slopes({5});
  OneBandPrecinct precinct({&a, &b}, 2, 1);
  // Estimate 16 + 2 x 4 header bytes, then room for exactly two increments of 100.
  ASSERT_TRUE(Allocate(precinct, {224}).ok());
  EXPECT_EQ(a.coded.layerEnd[0], 1);
  EXPECT_EQ(b.coded.layerEnd[0], 1);
  EXPECT_LE(LayerBytes(precinct, 0), 224u);
}

TEST_F(RateAllocationTest, FinalPassSkipsABlockThatDoesNotFitAndTakesTheNext) {
  Block big({1000}, 0);
  Block small({50}, 0);
  big.Slopes({10});
  small.Slopes({5});
  OneBandPrecinct precinct({&big, &small}, 2, 1);
  ASSERT_TRUE(Allocate(precinct, {100}).ok());
  EXPECT_EQ(big.coded.layerEnd[0], 0);
  EXPECT_EQ(small.coded.layerEnd[0], 1);
  EXPECT_LE(LayerBytes(precinct, 0), 100u);
}

TEST_F(RateAllocationTest, RemovedHullPointsGoWithTheNextPointAndEqualLengthsFollow) {
  Block block({10, 20, 20, 40, 50}, 0);
  block.Slopes({0, 3, 0, 2, 0});  // points 0 and 2 were removed by the hull
  OneBandPrecinct precinct({&block}, 1, 1);
  ASSERT_TRUE(Allocate(precinct, {16 + 4 + 20, 100}).ok());
  // Layer 0 can pay for 20 bytes: passes 0 and 1, and pass 2 of equal length with them.
  EXPECT_EQ(block.coded.layerEnd[0], 3);
  // Point 3 comes in layer 1; pass 4 is off the hull and never taken.
  EXPECT_EQ(block.coded.layerEnd[1], 4);
}

TEST_F(RateAllocationTest, LayerWhoseEstimateExceedsItsBudgetFillsThroughTheExactPass) {
  std::vector<Block*> blocks;
  std::vector<std::unique_ptr<Block>> owned;
  for (int i = 0; i < 10; ++i) {
    owned.push_back(std::make_unique<Block>(std::vector<std::uint32_t>{3, 6}, 1));
    owned.back()->Slopes({20.0f - i, 1.0f});
    blocks.push_back(owned.back().get());
  }
  OneBandPrecinct precinct(blocks, 5, 2);
  // The estimate is 16 + 10 x 4 = 56 bytes: more than layer 0's 40.
  ASSERT_TRUE(Allocate(precinct, {40, 200}).ok());
  int inLayer0 = 0;
  for (const Block* block : blocks) inLayer0 += block->coded.layerEnd[0];
  EXPECT_GT(inLayer0, 0);
  const std::uint64_t layer0 = LayerBytes(precinct, 0);
  EXPECT_LE(layer0, 40u);
  // What layer 0 left over went to layer 1, which takes the rest.
  EXPECT_LE(LayerBytes(precinct, 1), 200u + (40u - layer0));
  for (const Block* block : blocks) EXPECT_EQ(block->coded.layerEnd[1], 2);
}

TEST_F(RateAllocationTest, LayersNeverTakePassesBack) {
  std::vector<std::unique_ptr<Block>> owned;
  std::vector<Block*> blocks;
  for (int i = 0; i < 6; ++i) {
    owned.push_back(std::make_unique<Block>(std::vector<std::uint32_t>{10, 25, 45, 70}, 2));
    owned.back()->Slopes({40.0f - i, 30.0f - i, 20.0f - i, 10.0f - i});
    blocks.push_back(owned.back().get());
  }
  OneBandPrecinct precinct(blocks, 3, 2);
  ASSERT_TRUE(Allocate(precinct, {120, 160, 400}).ok());
  for (const Block* block : blocks) {
    EXPECT_LE(block->coded.layerEnd[0], block->coded.layerEnd[1]);
    EXPECT_LE(block->coded.layerEnd[1], block->coded.layerEnd[2]);
    EXPECT_EQ(block->coded.included, block->coded.layerEnd[2]);
  }
  EXPECT_LE(LayerBytes(precinct, 0), 120u);
}

TEST_F(RateAllocationTest, OnlyOneLayerWithoutTargetSkipsTheBudgets) {
  Block block({100, 200}, 0);
  OneBandPrecinct precinct({&block}, 1, 1);
  tile.precincts = &precinct.precinct;
  tile.precinctCount = 1;
  const std::uint64_t small[] = {50};
  ASSERT_TRUE(FormLayers(tile, false, small, Memory()).ok());
  EXPECT_EQ(block.coded.layerEnd[0], 2);
  ASSERT_TRUE(FormLayers(tile, true, small, Memory()).ok());
  EXPECT_EQ(block.coded.layerEnd[0], 0);
}

TEST_F(RateAllocationTest, RefusedListAllocationIsMinus1) {
  Block block({10}, 0);
  OneBandPrecinct precinct({&block}, 1, 1);
  allocator.failAt = 0;
  EXPECT_EQ(Allocate(precinct, {100}).code(), JP2_Error_OutOfMemory);
}

}  // namespace
}  // namespace quillon::jp2
