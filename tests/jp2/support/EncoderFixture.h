// An encoder handle over a counting allocator that must give back every block at the end.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "jp2.h"
#include "support/CountingAllocator.h"

namespace quillon::jp2::test {

class EncoderTest : public ::testing::Test {
 protected:
  void Start(std::int16_t components) { ASSERT_EQ(allocator.Start(&handle, components), 0); }

  void TearDown() override {
    if (handle != nullptr) {
      EXPECT_EQ(JP2_Compress_End(handle), 0);
    }
    EXPECT_TRUE(allocator.live.empty());
    EXPECT_EQ(allocator.badReleases, 0);
  }

  std::int32_t Set(std::uint32_t id, std::uintptr_t value, std::int32_t tile = -1,
                   std::int16_t component = -1) {
    return JP2_Compress_SetProp(handle, id, value, tile, component);
  }

  // The property's value, or a value no property has when GetProp fails.
  std::uintptr_t Get(std::uint32_t id, std::int32_t tile = 0, std::int16_t component = 0) {
    std::uintptr_t value = 0;
    const std::int32_t status = JP2_Compress_GetProp(handle, id, &value, tile, component);
    EXPECT_EQ(status, 0) << "GetProp " << id;
    return status == 0 ? value : ~std::uintptr_t{0};
  }

  // Sets every component to width x height samples of the given depth.
  void SetSize(std::uint32_t width, std::uint32_t height, std::uint32_t depth = 8) {
    ASSERT_EQ(Set(JP2_Prop_Width, width), 0);
    ASSERT_EQ(Set(JP2_Prop_Height, height), 0);
    ASSERT_EQ(Set(JP2_Prop_BitDepth, depth), 0);
  }

  // Sets a palette of two entries (0 and 255) in `columns` 8-bit columns (1 to 3).
  std::int32_t SetTwoEntryPalette(std::uint32_t columns) {
    std::uint32_t entries[2] = {0, 255};
    std::uint32_t* values[3] = {entries, entries, entries};
    std::uint8_t depths[3] = {8, 8, 8};
    std::uint8_t signs[3] = {};
    const JP2_PaletteDesc palette{2, columns, depths, signs, values};
    return JP2_Compress_SetPalette(handle, &palette);
  }

  CountingAllocator allocator;
  CompressHandle handle = nullptr;
};

}  // namespace quillon::jp2::test
