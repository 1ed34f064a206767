#include "core/document/EnhancementRegions.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(EnhancementRegions, FirstRegionIsTheCentredHalfAndTheSeventeenthIsRefused) {
  EnhancementRegions regions;
  ASSERT_EQ(regions.Add(100, 60), 0);
  EXPECT_EQ(regions[0], (EnhancementRegion{25, 15, 50, 30}));
  for (int i = 1; i < 16; ++i) ASSERT_EQ(regions.Add(100, 60), i);
  EXPECT_FALSE(regions.Add(100, 60));
  EXPECT_EQ(regions.Count(), 16);
}

TEST(EnhancementRegions, DeletingMovesTheLaterRegionsDown) {
  EnhancementRegions regions;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(regions.Add(100 * (i + 1), 100));
  regions.Delete(1);
  ASSERT_EQ(regions.Count(), 2);
  EXPECT_EQ(regions[0].width, 50);
  EXPECT_EQ(regions[1].width, 150);
  regions.Delete(-1);
  regions.Delete(2);
  EXPECT_EQ(regions.Count(), 2) << "indices outside the list delete nothing";
  regions.SetLevel(14);
  EXPECT_EQ(regions.Level(), 10);
}

TEST(RegionHitTest, BandsAndCornersGiveTheirModes) {
  const EdgeRect r{100, 50, 200, 150};
  EXPECT_EQ(HitTest(r, 150, 100), DragMode::Move);
  EXPECT_EQ(HitTest(r, 96, 100), DragMode::Left);
  EXPECT_EQ(HitTest(r, 105, 100), DragMode::Left);
  EXPECT_EQ(HitTest(r, 106, 100), DragMode::Move);
  EXPECT_EQ(HitTest(r, 204, 100), DragMode::Right);
  EXPECT_EQ(HitTest(r, 150, 46), DragMode::Top);
  EXPECT_EQ(HitTest(r, 150, 154), DragMode::Bottom);
  EXPECT_EQ(HitTest(r, 97, 52), DragMode::TopLeft);
  EXPECT_EQ(HitTest(r, 203, 47), DragMode::TopRight);
  EXPECT_EQ(HitTest(r, 98, 149), DragMode::BottomLeft);
  EXPECT_EQ(HitTest(r, 205, 155), DragMode::BottomRight);
  EXPECT_EQ(HitTest(r, 94, 100), DragMode::None);
  EXPECT_EQ(HitTest(r, 150, 156), DragMode::None);
}

TEST(RegionHitTest, ZoomAndScrollMoveTheBands) {
  EnhancementRegions regions;
  ASSERT_TRUE(regions.Add(100, 60));  // 25,15 50x30
  // At 4:1 scrolled by (40, 20) the left edge lies at 4 * 25 - 40 = 60.
  EXPECT_EQ(FindRegion(regions, -1, {4, 1}, {40, 20}, 60, 100).mode, DragMode::Left);
  EXPECT_EQ(FindRegion(regions, -1, {4, 1}, {40, 20}, 60, 40).mode, DragMode::TopLeft);
  EXPECT_EQ(FindRegion(regions, -1, {4, 1}, {40, 20}, 150, 100).mode, DragMode::Move);
  // At 1:2 the right edge is at 75 / 2 = 37.
  EXPECT_EQ(FindRegion(regions, -1, {1, 2}, {0, 0}, 41, 15).mode, DragMode::Right);
  EXPECT_EQ(FindRegion(regions, -1, {1, 2}, {0, 0}, 41, 20).mode, DragMode::BottomRight);
  EXPECT_EQ(FindRegion(regions, -1, {1, 2}, {0, 0}, 60, 20).index, -1);
}

TEST(RegionHitTest, TheSelectedRegionWinsWhereRegionsOverlap) {
  EnhancementRegions regions;
  ASSERT_TRUE(regions.Add(100, 100));
  ASSERT_TRUE(regions.Add(100, 100));
  EXPECT_EQ(FindRegion(regions, -1, {1, 1}, {}, 50, 50).index, 1) << "the top one";
  EXPECT_EQ(FindRegion(regions, 0, {1, 1}, {}, 50, 50).index, 0);
}

TEST(RegionDrag, EdgesFollowTheModeAndTheResultStaysOnThePicture) {
  const EdgeRect start{25, 15, 75, 45};
  EXPECT_EQ(Drag(start, DragMode::Move, 5, -5), (EdgeRect{30, 10, 80, 40}));
  EXPECT_EQ(Drag(start, DragMode::BottomLeft, 5, 5), (EdgeRect{30, 15, 75, 50}));
  EXPECT_EQ(Drag(start, DragMode::Top, 99, 5), (EdgeRect{25, 20, 75, 45}));

  // The right edge pulled past the picture ends at width - 1.
  const EdgeRect pulled = ClampToPicture(Drag(start, DragMode::Right, 500, 0), 100, 60);
  EXPECT_EQ(pulled.right, 99);
  EXPECT_EQ(ToRegion(pulled), (EnhancementRegion{25, 15, 74, 30}));
  // An edge dragged across the opposite one turns the rectangle round.
  EXPECT_EQ(ClampToPicture(Drag(start, DragMode::Left, 80, 0), 100, 60),
            (EdgeRect{75, 15, 99, 45}));
  // Left and top stop 5 pixels before the end; nothing goes below 0.
  EXPECT_EQ(ClampToPicture({-20, 90, 150, 200}, 100, 60), (EdgeRect{0, 55, 99, 59}));
}

TEST(RegionDrag, ViewAndPictureCoordinatesRoundTrip) {
  const EnhancementRegion region{25, 15, 50, 30};
  for (ZoomRatio zoom : {ZoomRatio{1, 1}, ZoomRatio{3, 1}, ZoomRatio{8, 1}}) {
    const ScrollPoint scroll{7, 3};
    EXPECT_EQ(ToRegion(ToPicture(ToView(region, zoom, scroll), zoom, scroll)), region);
  }
}

}  // namespace
}  // namespace quillon
