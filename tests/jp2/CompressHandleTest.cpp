// Start and End of the encoder handle and the memory rules: every block from the caller's
// callbacks, aligned use of misaligned blocks, errors passed back, nothing leaked or freed twice.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "encoder/CompressState.h"
#include "jp2.h"
#include "support/CountingAllocator.h"

extern "C" std::int32_t jp2_session_from_c(void);

namespace quillon::jp2::test {
namespace {

// Refuses the first row, so that the image fails with the tile's memory allocated.
std::int32_t RefusingInput(void*, std::int16_t, std::uint32_t, std::uint32_t, std::uint32_t,
                           std::uintptr_t) {
  return -1;
}

std::int32_t NoOutput(const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  ADD_FAILURE() << "the output callback was called";
  return -1;
}

// Gives the handle one of every block it can own: several tiles, ICC profile copy,
// channel definitions, palette and metadata boxes.
void ConfigureEverything(CompressHandle handle) {
  ASSERT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_FileFormat, JP2_Format_JPX, -1, -1), 0);
  ASSERT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Width, 64, -1, -1), 0);
  ASSERT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Height, 48, -1, -1), 0);
  ASSERT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_BitDepth, 8, -1, -1), 0);
  ASSERT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_TileWidth, 16, -1, -1), 0);
  const JP2_ChannelDef defs[3] = {{0, 1}, {0, 2}, {0, 3}};
  ASSERT_EQ(JP2_Compress_SetChannelDefs(handle, defs, 3), 0);
  std::uint32_t column[4] = {0, 85, 170, 255};
  std::uint32_t* columns[3] = {column, column, column};
  std::uint8_t depths[3] = {8, 8, 8};
  std::uint8_t signs[3] = {0, 0, 0};
  const JP2_PaletteDesc palette{4, 3, depths, signs, columns};
  ASSERT_EQ(JP2_Compress_SetPalette(handle, &palette), 0);
  const std::uint8_t xml[] = "<a/>";
  ASSERT_EQ(JP2_Compress_SetXML_Data(handle, xml, 4), 0);
  ASSERT_EQ(JP2_Compress_SetIPTC_Data(handle, xml, 4), 0);
  ASSERT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_InputCallback,
                                 reinterpret_cast<std::uintptr_t>(&RefusingInput), -1, -1),
            0);
  ASSERT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_OutputCallback,
                                 reinterpret_cast<std::uintptr_t>(&NoOutput), -1, -1),
            0);
}

TEST(CompressHandle, StartRejectsBadArgumentsBeforeAllocating) {
  CountingAllocator allocator;
  CompressHandle handle = reinterpret_cast<CompressHandle>(std::uintptr_t{0x1234});
  EXPECT_EQ(allocator.Start(&handle, 0), JP2_Error_ComponentCount);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(allocator.Start(&handle, 16385), JP2_Error_ComponentCount);
  EXPECT_EQ(allocator.Start(&handle, -1), JP2_Error_ComponentCount);
  EXPECT_EQ(allocator.Start(nullptr, 1), JP2_Error_NullArgument);
  EXPECT_EQ(allocator.allocations, 0);
}

TEST(CompressHandle, HandleCarriesTheMarkAndEndReleasesIt) {
  CountingAllocator allocator;
  for (const std::int16_t components : {1, 3, 16384}) {
    CompressHandle handle = nullptr;
    ASSERT_EQ(allocator.Start(&handle, components), 0);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(*reinterpret_cast<std::uint32_t*>(handle), 12345u);
    EXPECT_EQ(allocator.allocations, 1) << "the handle and its tables are one allocation";
    EXPECT_EQ(JP2_Compress_End(handle), 0);
    EXPECT_TRUE(allocator.live.empty());
    allocator.allocations = 0;
  }
  EXPECT_EQ(allocator.badReleases, 0);
}

TEST(CompressHandle, EveryFunctionRejectsNullOrUnmarkedHandles) {
  std::uint32_t notAHandle[64] = {54321};
  auto* fake = reinterpret_cast<CompressHandle>(notAHandle);
  std::uintptr_t value = 0;
  for (CompressHandle handle : {static_cast<CompressHandle>(nullptr), fake}) {
    EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Width, 1, -1, -1), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_GetProp(handle, JP2_Prop_Width, &value, 0, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetResolution(handle, 1, 1, nullptr, 0, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetPrecinct(handle, 15, 15, -1, -1, -1), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetROI(handle, 0, 0, 0, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetROI_Enhance(handle, 1), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetICC(handle, nullptr, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetLAB(handle, nullptr), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetChannelDefs(handle, nullptr, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetPalette(handle, nullptr), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetXML_Data(handle, nullptr, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetIP_Data(handle, nullptr, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetUUID_Data(handle, nullptr, nullptr, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetUUID_Info(handle, nullptr, 0, nullptr, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_SetIPTC_Data(handle, nullptr, 0), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_Image(handle), JP2_Error_InvalidHandle);
    EXPECT_EQ(JP2_Compress_End(handle), JP2_Error_InvalidHandle);
  }
}

TEST(CompressHandle, EndedHandleIsNoLongerAccepted) {
  // A release callback that keeps the block lets the test look at the ended handle.
  CountingAllocator allocator;
  CompressHandle handle = nullptr;
  ASSERT_EQ(allocator.Start(&handle, 1), 0);
  StateOf(handle)->memory.release = [](void*, std::uintptr_t) -> std::int32_t { return 0; };
  void* block = StateOf(handle)->self.raw;
  EXPECT_EQ(JP2_Compress_End(handle), 0);
  EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Width, 1, -1, -1), JP2_Error_InvalidHandle);
  EXPECT_EQ(JP2_Compress_End(handle), JP2_Error_InvalidHandle);
  EXPECT_EQ(CountingAllocator::Release(block, allocator.Param()), 0);
}

TEST(CompressHandle, DefaultCallbacksServeNullArguments) {
  CompressHandle handle = nullptr;
  ASSERT_EQ(JP2_Compress_Start(&handle, nullptr, 99, nullptr, 99, 3), 0);
  EXPECT_EQ(StateOf(handle)->memory.allocParam, 0u);
  EXPECT_EQ(StateOf(handle)->memory.freeParam, 0u);
  ConfigureEverything(handle);
  EXPECT_EQ(JP2_Compress_End(handle), 0);  // LeakSanitizer checks the rest
}

TEST(CompressHandle, MisalignedBlocksAreUsedFromTheir16ByteBoundary) {
  for (std::uintptr_t misalignment = 0; misalignment < 16; ++misalignment) {
    CountingAllocator allocator;
    allocator.misalignment = misalignment;
    CompressHandle handle = nullptr;
    ASSERT_EQ(allocator.Start(&handle, 3), 0);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(handle) % 16, 0u);
    ConfigureEverything(handle);
    const CompressState& state = *StateOf(handle);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(state.tiles) % 16, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(state.Palette()) % 16, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(state.firstBox) % 16, 0u);
    for (const auto& [block, size] : allocator.live) {
      EXPECT_GE(size, 16u) << "every request carries 15 bytes of alignment slack";
    }
    EXPECT_EQ(JP2_Compress_End(handle), 0);
    EXPECT_TRUE(allocator.live.empty());
  }
}

TEST(CompressHandle, EveryAllocationIsReleasedOnceAfterAFailedImage) {
  CountingAllocator allocator;
  CompressHandle handle = nullptr;
  ASSERT_EQ(allocator.Start(&handle, 3), 0);
  ConfigureEverything(handle);
  const int blocks = allocator.allocations;
  EXPECT_GE(blocks, 6);
  EXPECT_LT(JP2_Compress_Image(handle), 0);
  EXPECT_EQ(JP2_Compress_End(handle), 0);
  EXPECT_TRUE(allocator.live.empty());
  EXPECT_EQ(allocator.badReleases, 0);
  EXPECT_EQ(allocator.releaseCalls, allocator.allocations);
}

TEST(CompressHandle, EachFailingAllocationGivesMinusOneAndLeaksNothing) {
  // Count the allocations of a full configuration, then fail each one in turn.
  CountingAllocator probe;
  CompressHandle handle = nullptr;
  ASSERT_EQ(probe.Start(&handle, 3), 0);
  ConfigureEverything(handle);
  ASSERT_EQ(JP2_Compress_End(handle), 0);
  ASSERT_GT(probe.allocations, 1);

  for (int failing = 0; failing < probe.allocations; ++failing) {
    CountingAllocator allocator;
    allocator.failAt = failing;
    handle = nullptr;
    const std::int32_t started = allocator.Start(&handle, 3);
    if (failing == 0) {
      EXPECT_EQ(started, JP2_Error_OutOfMemory);
      EXPECT_EQ(handle, nullptr);
      continue;
    }
    ASSERT_EQ(started, 0);
    bool sawOutOfMemory = false;
    const auto expectOk = [&](std::int32_t result) {
      if (result == JP2_Error_OutOfMemory) {
        sawOutOfMemory = true;
      } else {
        EXPECT_EQ(result, 0);
      }
    };
    expectOk(JP2_Compress_SetProp(handle, JP2_Prop_FileFormat, JP2_Format_JPX, -1, -1));
    expectOk(JP2_Compress_SetProp(handle, JP2_Prop_Width, 64, -1, -1));
    expectOk(JP2_Compress_SetProp(handle, JP2_Prop_Height, 48, -1, -1));
    expectOk(JP2_Compress_SetProp(handle, JP2_Prop_TileWidth, 16, -1, -1));
    const JP2_ChannelDef defs[3] = {{0, 1}, {0, 2}, {0, 3}};
    expectOk(JP2_Compress_SetChannelDefs(handle, defs, 3));
    std::uint32_t column[2] = {0, 255};
    std::uint32_t* columns[1] = {column};
    std::uint8_t depth = 8;
    std::uint8_t sign = 0;
    const JP2_PaletteDesc palette{2, 1, &depth, &sign, columns};
    expectOk(JP2_Compress_SetPalette(handle, &palette));
    const std::uint8_t xml[] = "<a/>";
    expectOk(JP2_Compress_SetXML_Data(handle, xml, 4));
    expectOk(JP2_Compress_SetIPTC_Data(handle, xml, 4));
    EXPECT_TRUE(sawOutOfMemory) << "allocation " << failing;
    EXPECT_EQ(JP2_Compress_End(handle), 0);
    EXPECT_TRUE(allocator.live.empty()) << "allocation " << failing;
    EXPECT_EQ(allocator.badReleases, 0);
  }
}

TEST(CompressHandle, ReleaseErrorsArePassedBackAndEndCanBeRepeated) {
  for (int failing = 0;; ++failing) {
    CountingAllocator allocator;
    CompressHandle handle = nullptr;
    ASSERT_EQ(allocator.Start(&handle, 3), 0);
    ConfigureEverything(handle);
    const std::size_t blocks = allocator.live.size();
    if (static_cast<std::size_t>(failing) == blocks) break;
    allocator.releaseError = -1234;
    allocator.failReleaseAt = allocator.releaseCalls + failing;
    ASSERT_EQ(JP2_Compress_End(handle), -1234) << "release " << failing;
    EXPECT_EQ(allocator.live.size(), blocks - failing);
    EXPECT_EQ(JP2_Compress_End(handle), 0) << "release " << failing;
    EXPECT_TRUE(allocator.live.empty());
    EXPECT_EQ(allocator.badReleases, 0);
  }
}

TEST(CompressHandle, ReplacingCopiesReleasesTheOldOnes) {
  CountingAllocator allocator;
  CompressHandle handle = nullptr;
  ASSERT_EQ(allocator.Start(&handle, 1), 0);
  const JP2_ChannelDef defs[2] = {{0, 1}, {1, 0}};
  for (int i = 0; i < 3; ++i) ASSERT_EQ(JP2_Compress_SetChannelDefs(handle, defs, 2), 0);
  EXPECT_EQ(allocator.live.size(), 2u);
  EXPECT_EQ(JP2_Compress_SetChannelDefs(handle, nullptr, 0), 0);
  EXPECT_EQ(allocator.live.size(), 1u);
  EXPECT_EQ(JP2_Compress_End(handle), 0);
  EXPECT_TRUE(allocator.live.empty());
}

TEST(CompressHandle, TheHeaderServesCCallers) {
  EXPECT_EQ(jp2_session_from_c(), 0);
}

}  // namespace
}  // namespace quillon::jp2::test
